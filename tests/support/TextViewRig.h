#pragma once
// A main window over a folder of test files, whose list is filled as a listing
// would fill it: what the text-view tests need to list, select and show.
#include "MainControls.h"
#include "TestSupport.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

struct TextViewRig {
    TestEnv env;
    QTemporaryDir files;
    std::unique_ptr<TForm1> form;
    FileListModel* model = nullptr;   // the window's own list

    // `started`: the window starts as usual, so its first listing has been
    // made; without, it starts without main settings and has listed nothing.
    explicit TextViewRig(bool started = true)
    {
        if (!started) QFile::remove(env.path(QStringLiteral("appcfgs.cfg")));
        form = std::make_unique<TForm1>(env.env());
        model = ui(*form).LViewModel;
        ui(*form).Edit1->setText(folder());
        env.messages.log.clear();
    }
    QListView* view() const { return ui(*form).LView; }
    QString folder() const { return files.path() + QStringLiteral("/"); }
    QString path(const QString& name) const { return folder() + name; }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    void list(const QStringList& names) { model->setFiles(folder(), names, view()->fontMetrics()); }
    void select(int row)
    {
        view()->selectionModel()->setCurrentIndex(model->index(row), QItemSelectionModel::ClearAndSelect);
    }
    // Lists and selects one file, and waits until an RTF file is read.
    void showListed(const QString& name)
    {
        list({name});
        select(0);
        QTRY_VERIFY_WITH_TIMEOUT(!pane()->loading(), 60000);
    }
    QString panel(int i) const { return form->panelText(i); }
    TextPane* pane() const { return ui(*form).REdit; }
    QStringList messages() const { return env.messages.texts(); }
};
