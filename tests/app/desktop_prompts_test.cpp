// The desktop's boxes that do not wait: the caller goes on at once, and a
// box nobody has answered takes the next text of its title instead of a
// second box coming up beside it.
#include "app/desktop_services.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include <algorithm>

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
        Prompts& prompts = *services.prompts;
        prompts.notify(nullptr, QStringLiteral("<b>first</b>"), QStringLiteral("エラー"));
        prompts.notify(nullptr, QStringLiteral("second"), QStringLiteral("エラー"));
        QList<QMessageBox*> boxes = shownBoxes();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0]->text(), QStringLiteral("second"));
        QCOMPARE(boxes[0]->textFormat(), Qt::PlainText);
        QVERIFY(!boxes[0]->isModal());

        prompts.notify(nullptr, QStringLiteral("other"), QStringLiteral("確認"));
        QCOMPARE(shownBoxes().size(), 2);

        // Once answered, the next notice of that title comes in a box of its own.
        QPointer<QMessageBox> answered = boxes[0];
        answered->button(QMessageBox::Ok)->click();
        QTRY_VERIFY(answered.isNull());
        prompts.notify(nullptr, QStringLiteral("third"), QStringLiteral("エラー"));
        boxes = shownBoxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes[0]->text() == "third" || boxes[1]->text() == "third");
        const QList<QPointer<QMessageBox>> left(boxes.begin(), boxes.end());
        for (QMessageBox* box : boxes)
            box->close();
        QTRY_VERIFY(std::all_of(left.begin(), left.end(), [](const auto& box) { return box.isNull(); }));
    }
};

QTEST_MAIN(DesktopPromptsTest)
#include "desktop_prompts_test.moc"
