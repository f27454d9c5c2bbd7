#pragma once
#include "TColor.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// The main window's state: the folder, the chosen category and pattern, direct
// launching, word wrap and the colours. Every change, whether it comes from a
// click, a key, a menu, a screen reader or a dialog, goes through a setter
// here, and the window's controls only mirror the change signals; commands
// read the state here, never from a control. A setter that changes nothing
// signals nothing, so a control may hand back the value it was just given.
class MainState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The folder that is listed and joined with file names: the path field's
    // text, confirmed or not (normally ending in "/").
    const QString& folder() const { return m_folder; }
    void setFolder(const QString& folder);

    // The categories of the extension table and the one chosen (-1: none).
    const QStringList& categories() const { return m_categories; }
    int category() const { return m_category; }
    // New names leave no category chosen.
    void setCategories(const QStringList& names);
    // An index out of range chooses none.
    void setCategory(int index);

    // The patterns of the chosen category and the one chosen (-1: none).
    const QStringList& patterns() const { return m_patterns; }
    int patternIndex() const { return m_pattern; }
    // The chosen pattern's text; empty when none is chosen.
    QString pattern() const { return m_patterns.value(m_pattern); }
    // New patterns leave none chosen.
    void setPatterns(const QStringList& patterns);
    void setPatternIndex(int index);
    // The first category and its first pattern, as at start-up (none of a
    // list that is empty); the pattern list itself is not refilled.
    void chooseFirstCategoryAndPattern();

    // Direct launching: available when some slot was registered at the last
    // confirmation of the registration dialog; on by the user's choice, which
    // is kept while it is unavailable. A launch goes direct only when both hold.
    bool directAvailable() const { return m_directAvailable; }
    bool directOn() const { return m_directOn; }
    bool directLaunch() const { return m_directAvailable && m_directOn; }
    void setDirectAvailable(bool available);
    void setDirectOn(bool on);
    void toggleDirect() { setDirectOn(!m_directOn); }

    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    void toggleWordWrap() { setWordWrap(!m_wordWrap); }

    // The colour pair that every window's text controls take. Setting it
    // changes no control: applyViewColors() does that.
    ViewColors viewColors() const { return m_viewColors; }
    void setViewColors(const ViewColors& colors);
    // What the text pane shows and the settings file keeps: the view colours
    // once applied, with the window-text colour as text colour after a font
    // is chosen.
    ViewColors paneColors() const { return m_paneColors; }
    void setPaneTextColor(qint32 color);
    // What the path field, the two selectors and the file list show: nothing
    // of their own until the view colours are first applied.
    std::optional<ViewColors> controlColors() const { return m_controlColors; }
    // The view colours go to the pane and to those controls, even when they
    // already show them.
    void applyViewColors();

Q_SIGNALS:
    void folderChanged(const QString& folder);
    void categoriesChanged(const QStringList& names);
    void categoryChanged(int index);
    void patternsChanged(const QStringList& patterns);
    void patternIndexChanged(int index);
    void directAvailableChanged(bool available);
    void directOnChanged(bool on);
    void wordWrapChanged(bool on);
    void paneColorsChanged(const ViewColors& colors);
    void controlColorsApplied(const ViewColors& colors);

private:
    QString m_folder;
    QStringList m_categories;
    int m_category = -1;
    QStringList m_patterns;
    int m_pattern = -1;
    bool m_directAvailable = false;
    bool m_directOn = false;
    bool m_wordWrap = false;
    ViewColors m_viewColors;
    ViewColors m_paneColors;
    std::optional<ViewColors> m_controlColors;
};
