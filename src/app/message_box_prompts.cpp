#include "app/message_box_prompts.h"

#include "forms/window_placement.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

namespace {

// A message box that must be read and answered: it comes up above every
// window of the program, the always-on-top mascots and the board included,
// stays above the ones that come up while it is open, and takes the
// keyboard (unless it is a notice, which must not take it from whatever the
// user is typing into). `centreArea`, when valid, is where it is centred.
class ProgramMessageBox final : public QMessageBox
{
public:
    ProgramMessageBox(QWidget* parent, QRect centreArea, bool takesKeyboard = true)
        : QMessageBox(parent)
        , m_centreArea(centreArea)
        , m_takesKeyboard(takesKeyboard)
    {
        if (!takesKeyboard)
            setAttribute(Qt::WA_ShowWithoutActivating);
        setWindowFlag(Qt::WindowStaysOnTopHint);
        qApp->installEventFilter(this);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event); // gives the box its size
        if (m_centreArea.isValid()) {
            const QRect area = m_centreArea;
            PlaceFrame(this, [area](QSize frame) { return CentredIn(frame, area); });
        }
        raise();
        if (m_takesKeyboard)
            activateWindow(); // carried out once the box is mapped
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Another window of the program coming up (the second mascot, the
        // board) would land above the box; the box goes back on top.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget != this && widget->isWindow() && isVisible())
            QTimer::singleShot(0, this, [this] { raise(); });
        return QMessageBox::eventFilter(watched, event);
    }

private:
    QRect m_centreArea;
    bool m_takesKeyboard;
};

} // namespace

Prompts::Answer MessageBoxPrompts::messageBox(QWidget* parent, const QString& text, const QString& title,
                                              Buttons buttons, Icon icon)
{
    ProgramMessageBox box(parent, centreArea ? centreArea() : QRect());
    box.setTextFormat(Qt::PlainText); // a server's words are never markup
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    box.setIcon(icon == Icon::Question      ? QMessageBox::Question
                : icon == Icon::Exclamation ? QMessageBox::Warning
                                            : QMessageBox::NoIcon);
    const bool yesNo = buttons != Buttons::Ok;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        // Qt's own captions are English without a translation loaded.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
        if (buttons == Buttons::YesNoDefaultNo)
            box.setDefaultButton(QMessageBox::No);
    } else
        box.setStandardButtons(QMessageBox::Ok);
    const int result = box.exec();
    if (yesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

void MessageBoxPrompts::notify(QWidget* parent, const QString& text, const QString& title)
{
    QPointer<QMessageBox>& box = m_notices[title];
    if (!box) {
        // Above the mascots like every box, or it could sit unseen
        // behind them, but without the keyboard.
        box = new ProgramMessageBox(parent, centreArea ? centreArea() : QRect(), false);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->setTextFormat(Qt::PlainText);
        box->setIcon(QMessageBox::NoIcon);
        box->setStandardButtons(QMessageBox::Ok);
        box->setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    }
    box->setText(text);
    box->show();
    box->raise();
}
