#include "app/ui/Fonts.h"

#include <QStringList>

namespace yeroup::app {

QFont SimSun12() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

QFont SansSerif11() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(11);
    return font;
}

}  // namespace yeroup::app
