#pragma once

#include <QString>

#include <optional>

// `--password-env VAR`, shared by the commands that log in: scripts pass the password through the
// environment so that it never shows in the process list.
namespace password_option {

// Reads the password from the variable `name` names into *password; returns why it cannot, or an
// empty text.
inline QString fromEnvironment(const std::optional<QString>& name, QString* password)
{
    if (!name)
        return QStringLiteral("--password-env needs a variable name");
    const QByteArray variable = name->toLocal8Bit();
    if (!qEnvironmentVariableIsSet(variable.constData()))
        return QStringLiteral("the environment variable %1 is not set").arg(*name);
    *password = qEnvironmentVariable(variable.constData());
    return {};
}

} // namespace password_option
