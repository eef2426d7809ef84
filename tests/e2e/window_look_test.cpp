// Shows every window of the program on a private X server, saves a picture
// of each into the build folder (screenshots/) for a person to look at, and
// checks what a picture can tell: every caption's characters have real
// glyphs (no empty boxes for Japanese text) and no two controls that stand
// apart overlap.

#include "forms/program_font.h"
#include "panel/main_panel.h"
#include "panel/notice_board.h"
#include "settings/id_pass_form.h"
#include "settings/option_form.h"
#include "settings/set_form.h"
#include "support/test_program.h"
#include "support/xvfb_display.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>

namespace {
QString textOf(QWidget* w)
{
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text().remove(u'&');
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->echoMode() == QLineEdit::Normal ? edit->text() : QString();
    return {};
}

// Characters the font machinery (fallbacks included) has no glyph for.
QString missingGlyphs(const QString& text, const QFont& font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QString missing;
    for (const QGlyphRun& run : layout.glyphRuns())
        for (quint32 index : run.glyphIndexes())
            if (index == 0)
                missing += QStringLiteral("?");
    return missing;
}

// The controls a user sees: inside the window's client area and visible.
QList<QWidget*> visibleControls(QWidget* window)
{
    QList<QWidget*> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isVisibleTo(window) && window->rect().intersects(w->geometry()) && w->parentWidget() == window)
            controls.append(w);
    }
    return controls;
}

void checkWindow(QWidget* window, const QString& name)
{
    Program::showForm(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(100);
    const QString folder = qEnvironmentVariable("PAWMELO_BUILD_DIR", QDir::tempPath()) + "/screenshots";
    QDir().mkpath(folder);
    QVERIFY(window->grab().save(folder + "/" + name + ".png"));

    const QList<QWidget*> controls = visibleControls(window);
    QVERIFY(!controls.isEmpty());
    for (QWidget* w : controls) {
        const QString text = textOf(w);
        QVERIFY2(missingGlyphs(text, w->font()).isEmpty(),
                 qPrintable(name + ": no glyph in \"" + text + "\" of " + w->objectName()));
    }
    // Captions fit their controls (the scrolling name display excepted:
    // it slides across the panel's edge by design).
    for (QWidget* w : controls) {
        const QString text = textOf(w);
        auto* label = qobject_cast<QLabel*>(w);
        if (text.isEmpty() || qobject_cast<QLineEdit*>(w) || w->objectName() == u"Label1" ||
            (label && label->wordWrap()))
            continue;
        const int room = qobject_cast<QAbstractButton*>(w) && !qobject_cast<QPushButton*>(w) ? w->width() - 18
                                                                                             : w->width();
        QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= room,
                 qPrintable(name + ": caption of " + w->objectName() +
                            " is clipped: " + QString::number(w->fontMetrics().horizontalAdvance(text)) +
                            " > " + QString::number(room)));
    }
    // Labels are drawn beneath the controls; other controls stand apart
    // (a pixel of overlap comes from rounding twips to pixels).
    for (QWidget* a : controls) {
        for (QWidget* b : controls) {
            if (a >= b || qobject_cast<QLabel*>(a) || qobject_cast<QLabel*>(b))
                continue;
            const QRect overlap = a->geometry() & b->geometry();
            QVERIFY2(overlap.isEmpty() || overlap.width() <= 1 || overlap.height() <= 1,
                     qPrintable(name + ": " + a->objectName() + " overlaps " + b->objectName()));
        }
    }
}
} // namespace

class WindowLookTest final : public QObject
{
    Q_OBJECT
private slots:
    void mainPanel()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        checkWindow(panel, "main_panel");
    }
    void preferences()
    {
        TestProgram t;
        checkWindow(t.program->setForm(), "set_form");
    }
    void account()
    {
        TestProgram t;
        t.program->idPassForm()->IdText->setText("user");
        checkWindow(t.program->idPassForm(), "id_pass_form");
    }
    void server()
    {
        TestProgram t;
        t.program->Mailer.PopServer = "pop.example.org";
        checkWindow(t.program->optionForm(), "option_form");
    }
    void noticeBoard()
    {
        TestProgram t;
        MsgForm* board = t.program->msgForm();
        board->Text1->setText(QStringLiteral("新着メールが有ります"));
        board->Text2->setText(QStringLiteral("3"));
        checkWindow(board, "notice_board");
    }
};

int main(int argc, char* argv[])
{
    XvfbDisplay xvfb;
    const QString display = xvfb.start();
    if (display.isEmpty()) {
        qCritical("could not start Xvfb");
        return 1;
    }
    qputenv("DISPLAY", display.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    UseProgramFont();
    WindowLookTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_look_test.moc"
