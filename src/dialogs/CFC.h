#pragma once
#include <QDialog>
#include <QImage>

#include "AppEnv.h"
#include "LineBuffer.h"
#include "OldSettings.h"

#include <array>

class MainForm;
class QCheckBox;
class QPushButton;

// Converts the settings files of Ver1.02 into the current ones and makes the
// main window reload everything. Lives for the whole run, so the check box
// keeps its state from one showing to the next.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    TForm7(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

    void Button1Click();   // "実行"
    void Button2Click();   // "キャンセル"
    void Chg1();           // registered applications and their icons
    void Chg2();           // main settings

public Q_SLOTS:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void notice(const QString& text);
    QString refusal(const QString& sentence, const QString& file, const OldSettings::Fault& fault) const;

    QCheckBox* Chex1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

    MainForm& m_main;
    AppEnv m_env;
    // Working storage: the old file being read, the new main settings, the
    // three old icons.
    LineBuffer Memo1;
    LineBuffer Memo2;
    std::array<QImage, 3> Image{};
};
