#include "forms/form_timer.h"
#include "forms/program_folder.h"
#include "panel/home_pages.h"
#include "panel/main_panel.h"
#include "panel/name_display.h"
#include "support/test_program.h"

#include <QBackingStore>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
// Counts the paint events of the widgets it watches.
struct PaintCounter final : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};
} // namespace

// The panel's choice of the mail program, its scrolling name and the links.
class PanelCommandsTest final : public QObject
{
    Q_OBJECT
private slots:
    void choosingTheMailerFillsPathAndTitleAndCancelKeepsThePrevious()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCOMPARE(panel->Text8->text(), QStringLiteral("未設定"));

        t.fileChooser->nextChoice = QStringLiteral("/opt/mail/bin/mailer");
        panel->Command7_Click();
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));
        QCOMPARE(panel->Text8->text(), QStringLiteral("mailer"));
        panel->Text7->setText(kMailerNotSet);
        t.fileChooser->nextChoice.clear(); // cancel: the dialog's previous file
        panel->Command7_Click();
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));

        // A path the preferences file cannot give back is refused.
        const QString tooLong = "/opt/" + QString(300, u'a');
        for (const QString& path : {QStringLiteral("/opt/\U0001F600/mailer"), tooLong}) {
            t.fileChooser->nextChoice = path;
            panel->Command7_Click();
        }
        QCOMPARE(t.prompts->shown.size(), 2);
        QCOMPARE(t.prompts->shown[1].text,
                 UnstorableTextMessage(QStringLiteral("メーラーのパス"), tooLong, TextStore::SettingsFile));
        QCOMPARE(t.prompts->shown[1].title, QStringLiteral("エラー"));
        QCOMPARE(t.prompts->shown[1].icon, Prompts::Icon::Exclamation);
        QCOMPARE(panel->Text7->text(), QStringLiteral("/opt/mail/bin/mailer"));
        QCOMPARE(t.fileChooser->shown, 4);
    }

    void cancelBeforeAnyChoiceEmptiesThePathAndTheDisplaySaysSo()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->text(), QStringLiteral("未設定")); // scrolls as any name
        panel->Command7_Click();
        QVERIFY(panel->Text7->text().isEmpty());
        QVERIFY(panel->Text8->text().isEmpty());
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->text(), QStringLiteral("設定されていません。"));
        panel->close();
        QCOMPARE(ReadSettingText(t.preferences(), "NAME", "absent"), QString());
    }

    void nameDisplayJumpsBackOnlyOnReachingItsEndExactly()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QCOMPARE(panel->Label1Left, 2760);
        for (int tick = 1; tick <= 213; ++tick)
            panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, -1500);
        QCOMPARE(panel->Label1->captionLeft(), -100);
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, 2760);
        QCOMPARE(panel->Label1->captionLeft(), 184);
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1->captionLeft(), 183); // 2740 twips, rounded

        panel->Label1Left = -1490; // off the 20-twip grid: passes the end
        panel->Timer4_Timer();
        panel->Timer4_Timer();
        QCOMPARE(panel->Label1Left, -1530);
    }

    void nameDisplayMovesOnlyWhileThePanelIsShown()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        QVERIFY(panel->Timer4->running());
        QVERIFY(!panel->Timer4->isActive());
        Program::showForm(panel);
        QVERIFY(panel->Timer4->isActive());
        QTRY_VERIFY(panel->Label1Left < 2760);
        panel->hide();
        QVERIFY(!panel->Timer4->isActive());
        const int left = panel->Label1Left;
        QTest::qWait(100);
        QCOMPARE(panel->Label1Left, left);
    }

    // The display repaints only what its move changes, yet what is on the
    // screen stays exactly what a whole redraw of the panel would draw, and
    // the controls it passes beneath are not drawn again for it.
    void scrollingRedrawsOnlyTheNameYetLeavesThePanelAsAWholeRedraw()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        panel->Timer4->setPaused(true); // the test ticks it
        Program::showForm(panel);
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        for (int tick = 0; tick < 2; ++tick) { // the design's caption gives way to the mailer's name
            panel->Timer4_Timer();
            QCoreApplication::processEvents();
        }
        PaintCounter counter;
        const QList<QPushButton*> buttons = panel->findChildren<QPushButton*>();
        for (QPushButton* button : buttons)
            button->installEventFilter(&counter);

        const QRect strip(0, 0, panel->width(), panel->Label1->height());
        const auto onScreen = [panel, strip] {
            const auto* image = static_cast<const QImage*>(panel->backingStore()->paintDevice());
            return image->copy(strip).convertToFormat(QImage::Format_RGB32);
        };
        const auto wholeRedraw = [panel, strip] {
            return panel->grab(strip).toImage().convertToFormat(QImage::Format_RGB32);
        };
        for (int tick = 1; tick <= 250; ++tick) {
            if (tick == 120) // a new caption on the way
                panel->Text7->setText(QStringLiteral("/usr/bin/thunderbird"));
            panel->Timer4_Timer();
            QCoreApplication::processEvents();
        }
        QCOMPARE(panel->Label1->text(), QStringLiteral("thunderbird"));
        // Only the new caption redraws the strip: once, and once more to
        // learn what the button in it hides.
        QVERIFY2(counter.paints <= 2, qPrintable(QString::number(counter.paints)));

        for (int tick = 1; tick <= 250; ++tick) {
            panel->Timer4_Timer();
            QCoreApplication::processEvents();
            if (tick % 10 == 0 || panel->Label1Left == 2760)
                QVERIFY2(onScreen() == wholeRedraw(),
                         qPrintable(QString("at %1 twips").arg(panel->Label1Left)));
        }
    }

    // The panel's labels that draw from a picture of themselves, the name
    // display's caption included, look as plain labels with their settings
    // do, and follow a change of their text.
    void cachedLabelsLookAsPlainLabels()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        Program::showForm(panel);
        QImage lamp(16, 16, QImage::Format_ARGB32);
        lamp.fill(Qt::transparent);
        for (int i = 0; i < 16; ++i)
            lamp.setPixel(i, i, qRgb(255, 0, 0));
        panel->Image1->setPixmap(QPixmap::fromImage(lamp));
        for (int tick = 0; tick < 100; ++tick) // the caption well inside the panel
            panel->Timer4_Timer();
        const auto compare = [panel](QLabel* label, const QRect& box) {
            QLabel plain(panel);
            plain.setGeometry(box);
            plain.setAlignment(label->alignment());
            plain.setStyleSheet(label->styleSheet());
            plain.setFont(label->font());
            if (label->pixmap().isNull())
                plain.setText(label->text());
            else
                plain.setPixmap(label->pixmap());
            plain.stackUnder(label);
            plain.show();
            label->hide();
            const QImage expected = panel->grab(box).toImage();
            label->show();
            plain.hide();
            QVERIFY2(panel->grab(box).toImage() == expected, qPrintable(label->objectName()));
        };
        for (const QString& text : {QStringLiteral("ON"), QStringLiteral("OFF")}) {
            panel->Label4->setText(text);
            compare(panel->Label4, panel->Label4->geometry());
        }
        compare(panel->Image1, panel->Image1->geometry());
        compare(panel->Label1, panel->Label1->captionGeometry());
        panel->Text7->setText(QStringLiteral("/usr/bin/thunderbird"));
        panel->Timer4_Timer();
        compare(panel->Label1, panel->Label1->captionGeometry());
    }

    void linksAskFirstAndOpenTheirPageOnYes()
    {
        TestProgram t;
        MainForm* panel = t.program->mainForm();
        const QString maker = QStringLiteral("「ミロウェン」作者のホームページです。ちょっと見てみますか？");
        const QString artist = QStringLiteral("「ソラニカ」さんのホームページです。ちょっと見てみますか？");
        for (Prompts::Answer answer : {Prompts::Answer::No, Prompts::Answer::Yes}) {
            t.prompts->answer = answer;
            panel->Command14_Click();
            panel->Command10_Click();
            panel->Command4_Click();
        }
        QCOMPARE(t.browser->opened,
                 (QList<QUrl>{QUrl(HomePage::Maker), QUrl(HomePage::Maker), QUrl(HomePage::IconArtist)}));
        QCOMPARE(t.prompts->shown.size(), 6);
        for (int i = 0; i < 6; ++i) {
            const RecordingPrompts::Shown& box = t.prompts->shown[i];
            QCOMPARE(box.text, i % 3 == 2 ? artist : maker);
            QCOMPARE(box.title, QStringLiteral("確認"));
            QCOMPARE(box.buttons, Prompts::Buttons::YesNo);
            QCOMPARE(box.icon, Prompts::Icon::Question);
        }
    }
};

QTEST_MAIN(PanelCommandsTest)
#include "panel_commands_test.moc"
