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

private:
    QString m_message;
};
