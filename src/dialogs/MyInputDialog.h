#pragma once
#include <QDialog>

#include "AppEnv.h"

class MainForm;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    TForm3(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

private:
    MainForm& m_main;
    AppEnv m_env;
};
