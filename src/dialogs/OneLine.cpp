#include "OneLine.h"

#include <QLineEdit>
#include <QValidator>

namespace {

qsizetype firstBreak(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text.at(i) == QLatin1Char('\r') || text.at(i) == QLatin1Char('\n')) return i;
    return -1;
}

// The field asks its validator about every change with the whole new text and
// the caret just after what arrived; the validator may hand back a mended text.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override
    {
        const qsizetype cut = firstBreak(input);
        if (cut < 0) return Acceptable;
        // What arrived ends at the caret: its part from the first break on is
        // dropped, and what stood after the caret stays.
        const qsizetype end = pos > cut ? pos : input.size();
        QString tail = input.mid(end);
        const qsizetype tailBreak = firstBreak(tail);
        if (tailBreak >= 0) tail.truncate(tailBreak);
        input = input.left(cut) + tail;
        pos = int(cut);
        return Acceptable;
    }
};

} // namespace

namespace OneLine {

void keep(QLineEdit* field)
{
    field->setValidator(new OneLineValidator(field));
}

} // namespace OneLine
