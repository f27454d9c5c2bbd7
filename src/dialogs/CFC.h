#pragma once
#include <QDialog>

#include "AppEnv.h"

class MainForm;

class TForm7 : public QDialog {
    Q_OBJECT
public:
    TForm7(MainForm& main, const AppEnv& env, QWidget* parent = nullptr);

private:
    MainForm& m_main;
    AppEnv m_env;
};
