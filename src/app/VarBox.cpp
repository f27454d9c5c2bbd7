#include "VarBox.h"

#include "DialogUtil.h"
#include "Fonts.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(Fonts::windowFont());
    setFixedSize(156, 138);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 140, 92);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(8, 8, 33, 33);
    icon->setScaledContents(true);
    icon->setPixmap(QIcon(QStringLiteral(":/vardolin/vardolin.svg")).pixmap(33, 33));

    ProductName = new QLabel(QStringLiteral("Vardolin"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setGeometry(48, 8, 84, 19);
    QFont pf = Fonts::windowFont();
    pf.setPixelSize(19);
    pf.setBold(true);
    ProductName->setFont(pf);
    ProductName->setStyleSheet(QStringLiteral("color: #008000;"));

    Version = new QLabel(QStringLiteral("Version 1.05"), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(53, 32, 76, 12);
    QFont vf = Fonts::windowFont();
    vf.setBold(true);
    Version->setFont(vf);

    auto* credit = new QLabel(QStringLiteral("2026/12/07  Vardolin 開発チーム"), panel);
    credit->setGeometry(12, 56, 126, 12);
    auto* contact = new QLabel(QStringLiteral("ご意見は開発チームまで"), panel);
    contact->setGeometry(8, 72, 130, 12);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(40, 108, 81, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
}

void TAboutBox::OKButtonClick()
{
    done(QDialog::Accepted);
}
