#pragma once
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

class QFileDialog;
class QFontDialog;
class QSortFilterProxyModel;
class QWidget;

// The common dialogs (open file, colour, font). Tests replace them.
class CommonDialogs {
public:
    CommonDialogs() = default;
    // A service is shared by reference; a copy would be a silent second one.
    CommonDialogs(const CommonDialogs&) = delete;
    CommonDialogs& operator=(const CommonDialogs&) = delete;
    virtual ~CommonDialogs() = default;
    // filter in the toolkit's "caption|mask|caption|mask" form. A mask of
    // "*.exe" stands for executable files on this platform. Returns false when
    // cancelled; *path holds the chosen file otherwise.
    virtual bool openFile(QWidget* parent, const QString& filter, const QString& initialDir, QString* path) = 0;
    // *color holds the preset on entry and the chosen colour on success.
    // customColors lives as long as its owner and is kept between calls.
    virtual bool chooseColor(QWidget* parent, QColor* color, QList<QColor>* customColors) = 0;
    // *font holds the dialog's font on entry: its family is the stored face
    // name, which need not be installed, and its size is in points. The
    // dialog opens on the family that draws that face. On success *font is
    // the font as chosen in the dialog (an installed family).
    virtual bool chooseFont(QWidget* parent, QFont* font) = 0;
};

class QtCommonDialogs : public CommonDialogs {
public:
    bool openFile(QWidget* parent, const QString& filter, const QString& initialDir, QString* path) override;
    bool chooseColor(QWidget* parent, QColor* color, QList<QColor>* customColors) override;
    bool chooseFont(QWidget* parent, QFont* font) override;
    // The font dialog as chooseFont() shows it, opened on `stored`; not shown.
    static QFontDialog* makeFontDialog(QWidget* parent, const QFont& stored);
    // The file list of the open dialog over the toolkit's file-system model:
    // programs only while `executablesOnly` is set, and the size, kind and
    // date columns in Japanese (the toolkit's catalogue has no kind texts, and
    // it formats sizes and dates in the system's locale, not the interface's).
    static QSortFilterProxyModel* makeFileListModel(QObject* parent);
    static void showExecutablesOnly(QSortFilterProxyModel* model, bool only);
    // The size and date columns of the open dialog as wide as what they show
    // (the toolkit sizes them for short Latin samples).
    static void fitFileColumns(QFileDialog* dialog);
};
