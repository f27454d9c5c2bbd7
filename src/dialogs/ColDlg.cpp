#include "ColDlg.h"

#include "CommonDialogs.h"
#include "DialogFrame.h"
#include "Fonts.h"
#include "Guard.h"
#include "MainForm.h"
#include "ViewColours.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

TForm6::TForm6(MainForm& main, const AppEnv& env, QWidget* parent)
    : FormDialog(env.messages, parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("文字色と背景色の設定"));
    DialogFrame::setUp(this, 217, 121);

    Label1 = new QLabel(QStringLiteral("文字"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, 129, 65);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setTextFormat(Qt::PlainText);
    QFont sample(Fonts::defaultFace());
    sample.setPixelSize(64);
    sample.setBold(true);
    Label1->setFont(sample);

    auto button = [this](const char* name, const QString& caption, int x, int y, int w, void (TForm6::*handler)()) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, y, w, 25);
        connectGuarded(b, &QPushButton::clicked, this, m_env.messages, handler);
        return b;
    };
    Button1 = button("Button1", QStringLiteral("文字色"), 152, 16, 57, &TForm6::Button1Click);
    Button2 = button("Button2", QStringLiteral("背景色"), 152, 48, 57, &TForm6::Button2Click);
    Button3 = button("Button3", QStringLiteral("決定"), 24, 88, 75, &TForm6::Button3Click);
    Button4 = button("Button4", QStringLiteral("キャンセル"), 112, 88, 75, &TForm6::Button4Click);
    paintSample();
}

void TForm6::FormShow()
{
    const ViewColors colors = m_main.viewColors();
    m_back = colors.background;
    m_text = colors.text;
    paintSample();
}

void TForm6::paintSample()
{
    ViewColours::apply(Label1, ViewColors{m_text, m_back});
}

bool TForm6::pickColor(qint32 preset, qint32* result)
{
    QColor color = TColor::toQColor(preset);
    if (!m_env.dialogs.chooseColor(this, &color, &m_customColors)) return false;
    *result = TColor::fromQColor(color);
    return true;
}

void TForm6::Button1Click()
{
    // A cancelled choice leaves the sample as it was.
    if (pickColor(TColor::Black, &m_text)) paintSample();
}

void TForm6::Button2Click()
{
    if (pickColor(TColor::White, &m_back)) paintSample();
}

void TForm6::Button3Click()
{
    m_main.setViewColors(ViewColors{m_text, m_back});
    m_main.ColorSet();
    accept();
}

void TForm6::Button4Click()
{
    reject();
}
