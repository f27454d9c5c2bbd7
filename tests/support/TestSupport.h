#pragma once
// Fakes for the replaceable services, and a temporary settings folder.
#include "AppEnv.h"
#include "CoreSupport.h"
#include "CommonDialogs.h"
#include "MainForm.h"
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

// A listing the fake holds until the test hands over its names.
struct FakeListing {
    QString folder, pattern;
    Platform::Keep keep;
    ListingSink sink;
    bool dropped = false;   // the window has let go of it
    // Hands names over as the worker would (kept by keep), even once dropped:
    // the window must ignore what comes late.
    void deliver(QStringList names);
    void end(const QString& error = {}) { sink.ended(error); }
};

// Uses the real directory search and icons, records launches and shell
// commands. A listing is done at once (the real search, all its names in one
// batch, before listFiles returns); with holdListings the fake keeps each
// listing for the test to deliver, with realListings it runs the real one on
// the workers.
class FakePlatform : public RealPlatform {
public:
    std::unique_ptr<FileListing> listFiles(const QString& folder, const QString& pattern, Keep keep,
                                           QObject* receiver, ListingSink sink) override;
    bool holdListings = false;
    bool realListings = false;
    QList<std::shared_ptr<FakeListing>> listings;   // held ones, the latest last

    QString homeFolder() const override { return home; }
    void startProgram(const QString& commandLine) override { started << commandLine; }
    void openFolder(const QString& path) override { openedFolders << path; }
    void openDocument(const QString& path) override { openedDocuments << path; }

    QString home = QStringLiteral("/nonexistent-home");
    QStringList started, openedFolders, openedDocuments;
};

// A main window that does nothing: dialog tests derive from it and override
// what they check.
class StubMainForm : public MainForm {
public:
    void LoadSet() override {}
    void TagsLoad() override {}
    void LoadAppItem() override {}
    QStringList categoryNames() const override { return {}; }
    const PatternGrid& patternGrid() const override { return grid; }
    void selectFirstCategoryAndPattern() override {}
    ViewColors viewColors() const override { return colors; }
    void setViewColors(const ViewColors& c) override { colors = c; }
    void ColorSet() override {}
    const AppSlots::Table& slotTable() const override { return slots; }
    void confirmSlot(int, const AppSlots::Slot&) override {}
    void setDirectLaunchAvailable(bool) override {}

    PatternGrid grid;
    ViewColors colors;
    AppSlots::Table slots;
};

// A temporary settings folder with the shipped defaults copied in (optional),
// and fakes for the services.
class TestEnv : public TempFolder {
public:
    explicit TestEnv(bool withDefaults = true) : TempFolder(withDefaults) {}
    AppEnv env() { return AppEnv{settingsDir(), platform, messages, dialogs}; }

    FakePlatform platform;
    FakeMessages messages;
    FakeDialogs dialogs;
};
