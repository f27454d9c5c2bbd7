#pragma once
#include <QString>

class QMessageBox;
class QWidget;

// The program's message boxes. Tests replace them with a recorder so that no
// test ever waits on a modal box.
class Messages {
public:
    Messages() = default;
    // A service is shared by reference; a copy would be a silent second one.
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;
    virtual ~Messages() = default;
    // The general error box: the text (with "." appended unless it ends in one),
    // caption = application title, stop icon, OK.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // The program's warnings: caption "警告", exclamation icon, OK.
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // The program's notices: plain message, caption = application title, OK.
    virtual void notice(QWidget* parent, const QString& text) = 0;

    static QString errorText(const QString& text)
    {
        return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
    }
};

class QtMessages : public Messages {
public:
    void error(QWidget* parent, const QString& text) override;
    void warning(QWidget* parent, const QString& text) override;
    void notice(QWidget* parent, const QString& text) override;

    // The width a box needs to show `caption` whole in its title bar.
    static int captionWidth(const QWidget& box, const QString& caption);
    // Makes a box at least that wide for its own caption.
    static void fitCaption(QMessageBox& box);
};
