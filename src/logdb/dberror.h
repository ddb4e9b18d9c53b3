#pragma once
#include <QString>
#include <stdexcept>

// An error of the engine, the data layer or a conversion. The window layer
// shows message() in the standard error box; nothing below it opens a dialog.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
