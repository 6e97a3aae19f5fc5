// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a command in a login session of its own, as a display manager's PAM module would open one: logind's
// CreateSession for this process, then the command as its child with XDG_SESSION_ID set. logind ends the session
// when this process goes and closes the descriptor that it handed out.
// Usage: logind-session command [argument...]

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// CreateSession's last argument, a(sv): none are given.
struct Property
{
    QString name;
    QDBusVariant value;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Property& property)
{
    argument.beginStructure();
    argument << property.name << property.value;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Property& property)
{
    argument.beginStructure();
    argument >> property.name >> property.value;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(Property)

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: logind-session command [argument...]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<Property>();
    qDBusRegisterMetaType<QList<Property>>();
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                       QStringLiteral("/org/freedesktop/login1"),
                                                       QStringLiteral("org.freedesktop.login1.Manager"),
                                                       QStringLiteral("CreateSession"));
    call << quint32(getuid()) << quint32(getpid()) << QStringLiteral("lumaveil-test") << QStringLiteral("x11")
         << QStringLiteral("user") << QString() << QString() << quint32(0) << QString()
         << qEnvironmentVariable("DISPLAY") << false << QString() << QString()
         << QVariant::fromValue(QList<Property>());
    const QDBusMessage reply = QDBusConnection::systemBus().call(call);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 4) {
        std::fprintf(stderr, "logind-session: %s\n", qPrintable(reply.errorMessage()));
        return 1;
    }
    // Held open until the command ends: its closing ends the session.
    const auto fifo = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().at(3));
    qputenv("XDG_SESSION_ID", reply.arguments().constFirst().toString().toUtf8());

    const pid_t child = fork();
    if (child == 0) {
        ::close(fifo.fileDescriptor());
        execvp(argv[1], argv + 1);
        std::perror("logind-session");
        _exit(127);
    }
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0) {
    }
    return child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
