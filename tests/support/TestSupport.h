#pragma once
// Fakes for the replaceable services, and a temporary settings folder.
#include "AppEnv.h"
#include "CommonDialogs.h"
#include "LineBuffer.h"
#include "Messages.h"
#include "Platform.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

struct RecordedMessage {
    enum Kind { Error, Warning, Notice } kind;
    QString text;
};

class FakeMessages : public Messages {
public:
    void error(QWidget*, const QString& text) override { log.append({RecordedMessage::Error, errorText(text)}); }
    void warning(QWidget*, const QString& text) override { log.append({RecordedMessage::Warning, text}); }
    void notice(QWidget*, const QString& text) override { log.append({RecordedMessage::Notice, text}); }
    QStringList texts() const;
    QList<RecordedMessage> log;
};

class FakeDialogs : public CommonDialogs {
public:
    bool openFile(QWidget*, const QString& filter, const QString&, QString* path) override;
    bool chooseColor(QWidget*, QColor* color, QList<QColor>* custom) override;
    bool chooseFont(QWidget*, QFont* font) override;

    // Answers: std::nullopt-like via the bool flags.
    bool openFileAccept = false;
    QString openFileResult;
    QString lastFilter;
    bool colorAccept = false;
    QColor colorResult;
    QColor lastColorPreset;
    bool fontAccept = false;
    QFont fontResult;
    QFont lastFontShown;
};

// Uses the real directory search and icons, records launches and shell commands.
class FakePlatform : public RealPlatform {
public:
    QString homeFolder() const override { return home; }
    void startProgram(const QString& commandLine) override { started << commandLine; }
    void openFolder(const QString& path) override { openedFolders << path; }
    void openDocument(const QString& path) override { openedDocuments << path; }

    QString home = QStringLiteral("/nonexistent-home");
    QStringList started, openedFolders, openedDocuments;
};

// A temporary settings folder with the shipped defaults copied in (optional).
class TestEnv {
public:
    explicit TestEnv(bool withDefaults = true);
    AppEnv env() { return AppEnv{dir.path() + QStringLiteral("/"), &platform, &messages, &dialogs}; }
    QString path(const QString& name) const { return dir.path() + QStringLiteral("/") + name; }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;
    // Writes lines as CP932 with CR LF.
    void writeLines(const QString& name, const QStringList& lines) const;

    QTemporaryDir dir;
    FakePlatform platform;
    FakeMessages messages;
    FakeDialogs dialogs;
};

QByteArray crlf(const QStringList& lines);   // CP932 lines joined with CR LF after each
QString sourceDir();
