// The desktop's boxes that do not wait: the caller goes on at once, and a
// box nobody has answered takes the next text of its title instead of a
// second box coming up beside it.
#include "app/desktop_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

namespace {
QList<QMessageBox*> shownBoxes()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.append(box);
    return boxes;
}
} // namespace

class DesktopPromptsTest final : public QObject
{
    Q_OBJECT
private slots:
    void noticesNeverPileUp()
    {
        Services services = MakeDesktopServices();
        services.prompts->notify(nullptr, QStringLiteral("<b>first</b>"), QStringLiteral("エラー"));
        services.prompts->notify(nullptr, QStringLiteral("second"), QStringLiteral("エラー"));
        QCOMPARE(shownBoxes().size(), 1);
        QPointer<QMessageBox> box = shownBoxes().first();
        QCOMPARE(box->text(), QStringLiteral("second"));
        QVERIFY(!box->isModal());

        // Once answered, the next notice comes in a box of its own.
        box->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(box.isNull());
        services.prompts->notify(nullptr, QStringLiteral("third"), QStringLiteral("エラー"));
        QCOMPARE(shownBoxes().size(), 1);
        box = shownBoxes().first();
        QCOMPARE(box->text(), QStringLiteral("third"));
        box->close();
        QTRY_VERIFY(box.isNull());
    }
};

QTEST_MAIN(DesktopPromptsTest)
#include "desktop_prompts_test.moc"
