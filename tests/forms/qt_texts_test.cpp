#include "forms/qt_texts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>

// Qt's own dialogs in Japanese under an English locale.
class QtTextsTest final : public QObject
{
    Q_OBJECT
private slots:
    void fileDialogAndStandardButtonsSpeakJapanese()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(UseJapaneseQtTexts(), "Qt's Japanese translations are not installed");

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        const auto* fileName = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
        QVERIFY(lookIn && fileName);
        for (const QString& text : {lookIn->text(), fileName->text(), dialog.windowTitle()})
            QVERIFY2(!text.isEmpty() && !text.contains(QRegularExpression("[A-Za-z]{3}")), qPrintable(text));

        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                                 QDialogButtonBox::No | QDialogButtonBox::Open);
        for (QAbstractButton* button : buttons.buttons())
            QVERIFY2(!button->text().contains(QRegularExpression("[A-Za-z]{3}")), qPrintable(button->text()));
    }
};

QTEST_MAIN(QtTextsTest)
#include "qt_texts_test.moc"
