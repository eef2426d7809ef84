#include "panel/notice_board.h"

#include "forms/placement.h"
#include "forms/program.h"
#include "forms/window_placement.h"
#include "panel/main_panel.h"
#include "ui_notice_board.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace {
// The board as designed: 242 pixels (3630 twips) wide; the count box 33
// pixels (495 twips) wide, its left edge under the message box's last pixel.
constexpr int kBoardWidth = 242;
constexpr int kBoardHeight = 18;
constexpr int kCountWidth = 33;

// The width a line edit needs to show `text` whole: the text with room for
// the cursor after it, the edit's own margins beside it (2 pixels a side)
// and what its style's frame takes of the edit's width.
int WidthToShow(const QLineEdit* edit, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    const int frame =
        edit->width() - edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width();
    const QMargins margins = edit->textMargins();
    return edit->fontMetrics().horizontalAdvance(text) + 1 + 2 * 2 + margins.left() + margins.right() + frame;
}
} // namespace

MsgForm::MsgForm(Program& program)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::MsgForm>())
    , m_program(program)
    , m_countWidth(kCountWidth)
{
    m_ui->setupUi(this);
    Text1 = m_ui->Text1;
    Text2 = m_ui->Text2;
    setFixedSize(kBoardWidth, kBoardHeight); // 3630 x 270 twips
    connect(Text2, &QLineEdit::textChanged, this, &MsgForm::fitCount);
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
    QWidget::resizeEvent(event);
    layOutBoxes();
}

void MsgForm::layOutBoxes()
{
    // A window manager that enforces a larger size than the board's (i3's
    // floating minimum) gets the two boxes filling it instead of an empty
    // strip beside them; at the board's own size this is its design.
    Text1->setGeometry(0, 0, width() - m_countWidth, height());
    Text2->setGeometry(width() - m_countWidth - 1, 0, m_countWidth, height());
}

void MsgForm::fitCount()
{
    // The designed box holds counts below 10,000; a larger one would show
    // its first digits only, and look like a smaller count.
    const int width = std::max(kCountWidth, WidthToShow(Text2, Text2->text()));
    if (width == m_countWidth)
        return;
    m_countWidth = width;
    setFixedSize(kBoardWidth - kCountWidth + width, kBoardHeight);
    // A board kept larger by its window manager sees no resize.
    layOutBoxes();
}

void MsgForm::closeEvent(QCloseEvent* event)
{
    event->accept();
    m_program.unload(this);
}
