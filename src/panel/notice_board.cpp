#include "panel/notice_board.h"

#include "forms/placement.h"
#include "forms/program.h"
#include "forms/window_placement.h"
#include "panel/main_panel.h"
#include "ui_notice_board.h"

#include <QCloseEvent>

namespace {
// The count box as designed: 33 pixels (495 twips) wide, its left edge 34
// pixels in from the board's right edge, under the message box's last pixel.
constexpr int kCountWidth = 33;
constexpr int kCountFromRight = 34;
} // namespace

MsgForm::MsgForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                           | Qt::WindowMinimizeButtonHint | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::MsgForm>())
    , m_program(program)
{
    m_ui->setupUi(this);
    Text1 = m_ui->Text1;
    Text2 = m_ui->Text2;
    setFixedSize(242, 18); // 3630 x 270 twips
}

MsgForm::~MsgForm() = default;

void MsgForm::Form_Load()
{
    // In the middle of the monitor the program is on, but never over the
    // panel, whose 戻す ends the alert the board comes with.
    PlaceFrame(this, [this](QSize frame) {
        const QRect area = m_program.homeArea();
        QList<QRect> panel;
        if (MainForm* shown = m_program.loadedMainForm(); shown && shown->isVisible())
            panel.append(ExpectedFrame(shown));
        return PlaceAway(CentredIn(frame, area), panel, area);
    });
    // Topmost and visible at once.
    show();
    raise();
}

void MsgForm::Form_Unload()
{
    m_program.AlertMode = 0;
}

void MsgForm::resizeEvent(QResizeEvent* event)
{
    // A window manager that enforces a larger size than the board's (i3's
    // floating minimum) gets the two boxes filling it instead of an empty
    // strip beside them; at the board's own size this is its design.
    QWidget::resizeEvent(event);
    Text1->setGeometry(0, 0, width() - kCountWidth, height());
    Text2->setGeometry(width() - kCountFromRight, 0, kCountWidth, height());
}

void MsgForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}
