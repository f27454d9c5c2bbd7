#pragma once
#include <QFont>
#include <QString>
#include <QWidget>

class QPlainTextEdit;

// The text view behind REdit. It offers exactly what the program needs, so that
// the widget behind it can be replaced without touching the main window.
// Positions are character positions counted from 0.
class TextPane : public QWidget {
    Q_OBJECT
public:
    explicit TextPane(QWidget* parent = nullptr);

    void clear();
    // Loads a file: rich text when it is valid RTF, plain text otherwise.
    // Throws VarError ("ﾌｧｲﾙ %s は開けません" / "ｽﾄﾘｰﾑからの読み込みに失敗しました").
    void loadFile(const QString& path);
    void setPlainText(const QString& text);
    QString text() const;
    int textLength() const;

    int selStart() const;
    int selLength() const;
    void setSelStart(int pos);
    void setSelLength(int length);
    void selectAll();
    void copy();
    QString selectedText() const;
    // Case-sensitive forward search in [start, start + length); -1 when not found.
    int find(const QString& what, int start, int length) const;
    // Line of a position as the pane shows it (wrapped lines count as several)
    // and the position where a line starts.
    int lineFromChar(int pos) const;
    int lineIndex(int line) const;

    bool wordWrap() const;
    void setWordWrap(bool on);

    // Font as stored in the settings: face and size in points kept exactly as
    // given, so that they are written back unchanged.
    QString fontFace() const { return m_face; }
    int fontSize() const { return m_size; }
    void setFontFace(const QString& face);
    void setFontSize(int points);
    void setPaneFont(const QFont& font);
    QFont paneFont() const;

    // Colours as stored values (see TColor).
    qint32 fontColor() const { return m_fontColor; }
    qint32 fillColor() const { return m_fillColor; }
    void setFontColor(qint32 color);
    void setFillColor(qint32 color);

    void setFocusToText();
    QWidget* textWidget() const;

Q_SIGNALS:
    void selectionChanged();

private:
    void applyFont();
    void applyColors();

    QPlainTextEdit* m_edit;
    QString m_face;
    int m_size = 9;
    qint32 m_fontColor = 0;
    qint32 m_fillColor = 0xFFFFFF;
};
