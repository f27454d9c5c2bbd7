#include "OneLine.h"

#include "Messages.h"

#include <QLineEdit>
#include <QPointer>
#include <QStringView>
#include <QTimer>
#include <QValidator>

#include <limits>

namespace {

qsizetype firstBreak(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) return i;
    return -1;
}

// Control characters as the import refuses them; a tab is text.
bool isControl(char32_t c)
{
    return c != U'\t' && QChar::category(c) == QChar::Other_Control;
}

int controlCount(const QString& text)
{
    int n = 0;
    for (const char32_t c : QStringView(text).toUcs4()) n += isControl(c) ? 1 : 0;
    return n;
}

// The field asks its validator about every change with the whole new text and
// the caret just after what arrived; the validator may hand back a mended
// text, or refuse the change (the field then undoes a change the user made,
// and keeps a text set from code).
class OneLineValidator : public QValidator {
public:
    OneLineValidator(QLineEdit* field, Messages& messages, int maxBytes)
        : QValidator(field), m_field(field), m_messages(messages), m_maxBytes(maxBytes), m_last(field->text())
    {
        // What the field holds before each change: a change is refused only
        // for what it adds, so a value that already holds more (read from a
        // file, set from code) can still be shortened.
        connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_last = text; });
    }

    State validate(QString& input, int& pos) const override
    {
        cutAtBreak(input, pos);
        if (controlCount(input) > controlCount(m_last)) {
            refuse(OneLine::controlWarning(OneLine::firstControl(input)));
            return Invalid;
        }
        if (m_maxBytes > 0) {
            const int bytes = OneLine::bytesInFile(input);
            if (bytes > m_maxBytes && bytes > OneLine::bytesInFile(m_last)) {
                refuse(OneLine::tooLongWarning(m_maxBytes));
                return Invalid;
            }
        }
        return Acceptable;
    }

private:
    static void cutAtBreak(QString& input, int& pos)
    {
        const qsizetype cut = firstBreak(input);
        if (cut < 0) return;
        // What arrived ends at the caret: its part from the first break on is
        // dropped, and what stood after the caret stays.
        const qsizetype end = pos > cut ? pos : input.size();
        QString tail = input.mid(end);
        const qsizetype tailBreak = firstBreak(tail);
        if (tailBreak >= 0) tail.truncate(tailBreak);
        input = input.left(cut) + tail;
        pos = int(cut);
    }

    // The warning comes once the field has finished with the change, and only
    // when the field really dropped it and holds what it had: a text set from
    // code stays whole, and says nothing.
    void refuse(const QString& warning) const
    {
        QPointer<QLineEdit> field = m_field;
        Messages* messages = &m_messages;
        QTimer::singleShot(0, m_field, [field, messages, before = m_last, warning] {
            if (field && field->text() == before) messages->warning(field->window(), warning);
        });
    }

    QLineEdit* m_field;
    Messages& m_messages;
    int m_maxBytes;
    QString m_last;
};

} // namespace

namespace OneLine {

void keep(QLineEdit* field, Messages& messages, int maxBytes)
{
    // The byte limit is the field's only limit: the toolkit's own length
    // limit would cut a paste without a word.
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setValidator(new OneLineValidator(field, messages, maxBytes));
}

int bytesInFile(const QString& text)
{
    return int(text.toUtf8().size());
}

char32_t firstControl(const QString& text)
{
    for (const char32_t c : QStringView(text).toUcs4())
        if (isControl(c)) return c;
    return 0;
}

QString tooLongWarning(int maxBytes)
{
    // Lines short enough for the message box never to wrap them.
    return QStringLiteral("この欄に入るのは %1 バイトまでです\n(設定ファイルの 1 行に収まる長さ)。\n"
                          "入力は取り消されました。")
        .arg(maxBytes);
}

QString controlWarning(char32_t code)
{
    return QStringLiteral("制御文字 (0x%1) は入力できません。\n入力は取り消されました。")
        .arg(QString::number(uint(code), 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

} // namespace OneLine
