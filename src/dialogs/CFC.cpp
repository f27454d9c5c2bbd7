#include "CFC.h"

#include "DialogFrame.h"
#include "Guard.h"
#include "MainForm.h"
#include "Messages.h"
#include "OldSettings.h"

#include <QCheckBox>
#include <QPushButton>

TForm7::TForm7(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Ver1.02用の設定ファイルをインポート"));
    DialogFrame::setUp(this, 233, 65);

    Chex1 = new QCheckBox(QStringLiteral("旧バージョン用の設定ファイルを削除"), this);
    Chex1->setObjectName(QStringLiteral("Chex1"));
    Chex1->setGeometry(8, 8, 217, 17);

    Button1 = new QPushButton(QStringLiteral("実行"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(32, 32, 75, 25);
    Button1->setDefault(true);
    connectGuarded(Button1, &QPushButton::clicked, this, m_env.messages, &TForm7::Button1Click);

    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(128, 32, 75, 25);
    Button2->setAutoDefault(false);
    connectGuarded(Button2, &QPushButton::clicked, this, m_env.messages, &TForm7::Button2Click);
}

void TForm7::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DialogFrame::centre(this);
}

void TForm7::reject()
{
    // Escape is "キャンセル".
    Button2Click();
}

void TForm7::notice(const QString& text)
{
    m_env.messages.notice(this, text);
}

QString TForm7::refusal(const QString& sentence, const QString& file, const OldSettings::Fault& fault) const
{
    // The sentence, then which file and why, so that the user can mend it.
    return sentence + QLatin1Char('\n') + QStringLiteral("ﾌｧｲﾙ %1: %2").arg(m_env.settingsFile(file), OldSettings::faultText(fault));
}

void TForm7::Button1Click()
{
    // A missing old file only skips its own conversion; an error ends the
    // import here and leaves the dialog open.
    Chg1();
    Chg2();
    m_main.LoadSet();
    m_main.TagsLoad();
    m_main.LoadAppItem();
    done(QDialog::Accepted);
}

void TForm7::Button2Click()
{
    done(QDialog::Rejected);
}

void TForm7::Chg1()
{
    OldSettings::Fault fault;
    switch (OldSettings::convertApps(m_env.settingsDir, Chex1->isChecked(), Memo1, Image, &fault)) {
    case OldSettings::AppsResult::ItemsMissing:
        notice(QStringLiteral("appitem.cfgが見付かりません。"));
        break;
    case OldSettings::AppsResult::ItemsImplausible:
        notice(refusal(QStringLiteral("appitem.cfgファイルの内容が正しくありません。"), OldSettings::oldItemsFile(), fault));
        break;
    case OldSettings::AppsResult::ImagesMissing:
        notice(QStringLiteral("画像ファイルが見付かりません。"));
        break;
    case OldSettings::AppsResult::Converted:
        break;
    }
}

void TForm7::Chg2()
{
    OldSettings::Fault fault;
    switch (OldSettings::convertMainSettings(m_env.settingsDir, Chex1->isChecked(), Memo1, Memo2, &fault)) {
    case OldSettings::MainResult::Missing:
        notice(QStringLiteral("appcfg.cfgが見付かりません。"));
        break;
    case OldSettings::MainResult::Implausible:
        notice(refusal(QStringLiteral("appcfg.cfgファイルの内容が正しくありません。"), OldSettings::oldMainFile(), fault));
        break;
    case OldSettings::MainResult::Converted:
        break;
    }
}
