#include "app/ui/Accessibility.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QTextBrowser>
#include <QTextDocument>
#include <algorithm>

#include "app/ui/PacedProgressBar.h"

namespace yeroup::app {

namespace {

// A panel groups its controls under the caption it shows first, which follows what the panel shows (the
// package-ready panel is named by its package).
class TAccessiblePanel : public QAccessibleWidget {
public:
    explicit TAccessiblePanel(QWidget* panel) : QAccessibleWidget(panel, QAccessible::Pane) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(t);
        for (const QLabel* label : widget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (!label->isHidden() && !label->text().isEmpty()) return label->text();
        return {};
    }
};

// A control whose text a screen reader reads and cannot change: the text is its value, one run without
// attributes; without a caret or selection of its own unless it says otherwise.
class TAccessibleReadOnlyText : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    TAccessibleReadOnlyText(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Text();
        return QAccessibleWidget::text(t);
    }

    QString text(int startOffset, int endOffset) const override {
        return Text().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(Text().size()); }
    // The look is not read out.
    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}

protected:
    virtual QString Text() const = 0;
};

// A page view, read-only: its text as the page's plain text, with the caret and selection of the view.
class TAccessiblePage : public TAccessibleReadOnlyText {
public:
    explicit TAccessiblePage(QTextBrowser* view) : TAccessibleReadOnlyText(view, QAccessible::StaticText) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        return s;
    }

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        const QTextCursor cursor = View()->textCursor();
        if (selectionIndex != 0 || !cursor.hasSelection()) return;
        *startOffset = cursor.selectionStart();
        *endOffset = cursor.selectionEnd();
    }
    int selectionCount() const override { return View()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex != 0) return;
        QTextCursor cursor = View()->textCursor();
        cursor.clearSelection();
        View()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex != 0) return;
        QTextCursor cursor = View()->textCursor();
        cursor.setPosition(Clamped(startOffset));
        cursor.setPosition(Clamped(endOffset), QTextCursor::KeepAnchor);
        View()->setTextCursor(cursor);
    }

    int cursorPosition() const override { return View()->textCursor().position(); }
    void setCursorPosition(int position) override {
        QTextCursor cursor = View()->textCursor();
        cursor.setPosition(Clamped(position));
        View()->setTextCursor(cursor);
    }

    QRect characterRect(int offset) const override {
        QTextCursor cursor(View()->document());
        cursor.setPosition(Clamped(offset));
        const QRect at = View()->cursorRect(cursor);
        return QRect(View()->viewport()->mapToGlobal(at.topLeft()), at.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return View()->cursorForPosition(View()->viewport()->mapFromGlobal(point)).position();
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        setSelection(0, startIndex, endIndex);
        View()->ensureCursorVisible();
    }

protected:
    // The plain text maps each frame marker and paragraph separator to a line break, one character for one, so
    // offsets stay those of the document and its cursor.
    QString Text() const override { return View()->document()->toPlainText(); }

private:
    QTextBrowser* View() const { return static_cast<QTextBrowser*>(widget()); }
    int Clamped(int offset) const { return std::clamp(offset, 0, characterCount()); }
};

// A list that drops down: named and valued by its current item, which it also holds as its text, as a screen
// reader looks for a list's value there when the list offers no selection to read it from; its one child is the
// list of its items.
class TAccessibleList : public TAccessibleReadOnlyText {
public:
    explicit TAccessibleList(QComboBox* list) : TAccessibleReadOnlyText(list, QAccessible::ComboBox) {}

    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && child->object() == List()->view() ? 0 : -1;
    }
    QAccessible::State state() const override {
        QAccessible::State s = TAccessibleReadOnlyText::state();
        s.expandable = true;
        s.expanded = List()->view()->isVisible();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        // On Linux a list is named by its label's relation, and its own name is its item (its name without one).
        if (t == QAccessible::Name && !Text().isEmpty()) return Text();
        return TAccessibleReadOnlyText::text(t);
    }
    using TAccessibleReadOnlyText::text;

protected:
    QString Text() const override { return List()->currentText(); }

private:
    QComboBox* List() const { return static_cast<QComboBox*>(widget()); }
};

// The paced bar: read at any time, its value is the one it shows, however seldom it tells of it.
class TAccessibleProgress : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TAccessibleProgress(TPacedProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value && Bar()->maximum() > Bar()->minimum()) return QString("%1%").arg(Bar()->Shown());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return Bar()->Shown(); }
    void setCurrentValue(const QVariant&) override {}  // shown, not set by the user
    QVariant maximumValue() const override { return Bar()->maximum(); }
    QVariant minimumValue() const override { return Bar()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    TPacedProgressBar* Bar() const { return static_cast<TPacedProgressBar*>(widget()); }
};

QAccessibleInterface* AccessibleFor(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    auto* widget = static_cast<QWidget*>(object);
    // A form: the window a screen reader announces and keeps as the frame of every focus change inside it.
    if (className == QLatin1String("QWidget") && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    // The program's frames are its panels; other frames (labels, lists, views) have classes of their own.
    if (className == QLatin1String("QFrame")) return new TAccessiblePanel(widget);
    if (className == QLatin1String("yeroup::app::THtmlView"))
        return new TAccessiblePage(static_cast<QTextBrowser*>(widget));
    if (className == QLatin1String("QComboBox")) return new TAccessibleList(static_cast<QComboBox*>(widget));
    if (className == QLatin1String("yeroup::app::TPacedProgressBar"))
        return new TAccessibleProgress(static_cast<TPacedProgressBar*>(widget));
    return nullptr;
}

}  // namespace

void InstallAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(AccessibleFor);
        return true;
    }();
    (void)installed;
}

}  // namespace yeroup::app
