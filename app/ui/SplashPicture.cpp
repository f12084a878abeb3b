#include "app/ui/SplashPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "app/core/Texts.h"
#include "app/ui/Fonts.h"
#include "app/ui/Translation.h"

namespace yeroup::app {

QImage MakeSplashPicture() {
    QImage image(504, 275, QImage::Format_RGB555);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 275);
    sky.setColorAt(0.0, QColor(18, 60, 120));
    sky.setColorAt(1.0, QColor(70, 150, 210));
    p.fillRect(image.rect(), sky);

    // A white band under the version label in the top right corner.
    p.fillRect(QRect(416, 0, 88, 28), Qt::white);

    // Sound waves behind the name.
    p.setPen(QPen(QColor(255, 255, 255, 60), 3));
    for (int i = 0; i < 6; ++i) p.drawEllipse(QPoint(420, 200), 40 + i * 28, 40 + i * 28);

    // A stylised player.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 240, 245));
    p.drawRoundedRect(QRect(392, 130, 56, 110), 10, 10);
    p.setBrush(QColor(40, 90, 60));
    p.drawRect(QRect(400, 142, 40, 34));
    p.setBrush(QColor(150, 160, 170));
    p.drawEllipse(QPoint(420, 208), 17, 17);

    QFont title = SimSun12();
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(30, 70, 360, 56), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("YERO MP3"));
    title.setPixelSize(28);
    p.setFont(title);
    p.drawText(QRect(30, 122, 360, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LiveUpdate"));
    QFont sub = SimSun12();
    sub.setPixelSize(16);
    p.setFont(sub);
    p.setPen(QColor(220, 235, 250));
    p.drawText(QRect(30, 170, 360, 24), Qt::AlignLeft | Qt::AlignVCenter, QTr(texts::kSplashSubtitle));
    p.drawText(QRect(30, 240, 360, 20), Qt::AlignLeft | Qt::AlignVCenter, QTr(texts::kSplashChecking));
    return image;
}

}  // namespace yeroup::app
