#include "VarBox.h"

#include "DialogFrame.h"
#include "Fonts.h"
#include "Messages.h"
#include "Version.h"

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <qdrawutil.h>

// The program icon lives in the application library's resources, which a
// static library only registers when asked.
static QPixmap programIcon()
{
    Q_INIT_RESOURCE(vardolin);
    return QIcon(QStringLiteral(":/vardolin/vardolin.svg")).pixmap(33, 33);
}

namespace {
constexpr int kLayoutWidth = 156;

// A panel with a lowered outer and a raised inner bevel, one pixel each: the
// frame drawn round the product details.
class BevelPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRect r = rect();
        qDrawShadePanel(&p, r, palette(), true, 1);
        qDrawShadePanel(&p, r.adjusted(1, 1, -1, -1), palette(), false, 1);
    }
};
} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    // A dialog frame: a title and the close button only. Without the close
    // button named, the frame hints name no function at all, and a window
    // manager then offers every one (minimise, maximise) on the title bar.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(Fonts::windowFont());
    // As wide as the layout, or as the title bar needs for the caption; the
    // layout keeps to the middle.
    const int width = qMax(kLayoutWidth, QtMessages::captionWidth(*this, windowTitle()));
    setFixedSize(width, 138);
    setModal(true);

    Panel1 = new BevelPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 140, 92);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 33, 33);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(programIcon());

    ProductName = new QLabel(QStringLiteral("Vardolin"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(48, 8, 84, 19);
    QFont pf = Fonts::windowFont();
    pf.setPixelSize(19);
    pf.setBold(true);
    ProductName->setFont(pf);
    QPalette green = ProductName->palette();
    green.setColor(QPalette::WindowText, QColor(0, 0x80, 0));
    ProductName->setPalette(green);

    Version = new QLabel(QStringLiteral("Version " VARDOLIN_VERSION), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(53, 32, 76, 12);
    QFont vf = Fonts::windowFont();
    vf.setBold(true);
    Version->setFont(vf);

    // The two free lines: release date with credit, and where to write to.
    Credit = new QLabel(QStringLiteral("2026/12/07 開発ﾁｰﾑ"), Panel1);
    Credit->setObjectName(QStringLiteral("Credit"));
    Credit->setGeometry(12, 56, 126, 14);
    Contact = new QLabel(QStringLiteral("ご意見は開発チームまで"), Panel1);
    Contact->setObjectName(QStringLiteral("Contact"));
    Contact->setGeometry(8, 72, 130, 14);

    // Labels take the size of their text, whichever font stands in for the
    // window font here.
    for (QLabel* l : {ProductName, Version, Credit, Contact}) l->adjustSize();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(40, 108, 81, 25);
    for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(OKButton)})
        w->move(w->pos() + QPoint((width - kLayoutWidth) / 2, 0));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
}

void TAboutBox::OKButtonClick()
{
    done(QDialog::Accepted);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DialogFrame::centre(this);
}
