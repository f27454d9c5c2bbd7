#pragma once
#include <QString>
#include <stdexcept>

// The one error type of the file layer and the conversions. It carries the text
// the user sees in the general error box, so the handler that catches it needs
// nothing else.
class VarError : public std::runtime_error {
public:
    explicit VarError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

    static VarError cannotOpen(const QString& path)
    { return VarError(QStringLiteral("ﾌｧｲﾙ %1 は開けません").arg(path)); }
    static VarError cannotCreate(const QString& path)
    { return VarError(QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path)); }
    static VarError notInteger(const QString& text)
    { return VarError(QStringLiteral("'%1' は整数ではありません").arg(text)); }
    static VarError streamRead()
    { return VarError(QStringLiteral("ｽﾄﾘｰﾑからの読み込みに失敗しました")); }

    // A value a settings file cannot hold as one line of its own: the writer
    // refuses it rather than let it shift the lines after it.
    static VarError lineBreakInValue(const QString& path, const QString& value)
    {
        return VarError(QStringLiteral("「%1」は改行を含むため、ﾌｧｲﾙ %2 に書き込めません")
                            .arg(shownValue(value), path));
    }
    static VarError markerAsValue(const QString& path, const QString& value)
    {
        return VarError(QStringLiteral("「%1」は区切りの記号と同じため、ﾌｧｲﾙ %2 に名前として書き込めません")
                            .arg(value, path));
    }

private:
    // A value shown in a message: up to its first line break, with an
    // ellipsis when something was cut.
    static QString shownValue(const QString& value)
    {
        qsizetype cut = value.indexOf(QLatin1Char('\r'));
        const qsizetype lf = value.indexOf(QLatin1Char('\n'));
        if (cut < 0 || (lf >= 0 && lf < cut)) cut = lf;
        return cut < 0 ? value : value.left(cut) + QStringLiteral("…");
    }


    QString m_message;
};
