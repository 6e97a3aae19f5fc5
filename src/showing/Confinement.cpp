// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/Confinement.h"

#include <QtGlobal>

#include <fcntl.h>
#include <memory>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/socket.h>

namespace {

struct FilterFree
{
    void operator()(scmp_filter_ctx filter) const
    {
        seccomp_release(filter);
    }
};

// An X display named with a host ("host:0") is reached over TCP; ":0" and "unix:0" are not.
bool displayOverNetwork()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const QByteArray host = colon > 0 ? display.left(colon) : QByteArray();
    return !host.isEmpty() && host != "unix" && !host.startsWith('/');
}

} // namespace

namespace Confinement {

Outcome confine()
{
    Outcome outcome;
    outcome.noNewPrivileges = prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
    if (!outcome.noNewPrivileges) {
        outcome.failure = QStringLiteral("no_new_privs refused");
        return outcome;
    }
    // Everything is allowed but what is named; what is refused fails with "operation not permitted", as a program
    // expects of a refusal, rather than ending the process.
    const std::unique_ptr<void, FilterFree> filter(seccomp_init(SCMP_ACT_ALLOW));
    if (!filter) {
        outcome.failure = QStringLiteral("no system call filter");
        return outcome;
    }
    const uint32_t refuse = SCMP_ACT_ERRNO(EPERM);
    int result = 0;
    const auto add = [&](int call, std::initializer_list<scmp_arg_cmp> arguments) {
        if (result == 0) {
            result = seccomp_rule_add_array(
                filter.get(), refuse, call, unsigned(arguments.size()), arguments.size() ? arguments.begin() : nullptr);
        }
    };
    const auto equals = [](unsigned argument, scmp_datum_t value) {
        return scmp_arg_cmp{argument, SCMP_CMP_EQ, value, 0};
    };
    const auto hasFlag = [](unsigned argument, scmp_datum_t flag) {
        return scmp_arg_cmp{argument, SCMP_CMP_MASKED_EQ, flag, flag};
    };
    add(SCMP_SYS(execve), {});
    add(SCMP_SYS(execveat), {});
    if (!displayOverNetwork()) {
        for (int family : {AF_INET, AF_INET6, AF_PACKET}) {
            add(SCMP_SYS(socket), {equals(0, scmp_datum_t(family))});
        }
    }
    // New files and names: the flags are the second argument of open and the third of openat. openat2, whose flags
    // lie in a structure the filter cannot read, and io_uring, which makes calls that no filter sees, are refused
    // whole; programs fall back to openat.
    add(SCMP_SYS(open), {hasFlag(1, O_CREAT)});
    add(SCMP_SYS(openat), {hasFlag(2, O_CREAT)});
    for (int call : {SCMP_SYS(creat),
                     SCMP_SYS(openat2),
                     SCMP_SYS(io_uring_setup),
                     SCMP_SYS(mkdir),
                     SCMP_SYS(mkdirat),
                     SCMP_SYS(link),
                     SCMP_SYS(linkat),
                     SCMP_SYS(symlink),
                     SCMP_SYS(symlinkat),
                     SCMP_SYS(rename),
                     SCMP_SYS(renameat),
                     SCMP_SYS(renameat2)}) {
        add(call, {});
    }
    if (result == 0) {
        result = seccomp_load(filter.get());
    }
    outcome.filtered = result == 0;
    if (!outcome.filtered) {
        outcome.failure = QStringLiteral("the system call filter was refused (%1)").arg(qt_error_string(-result));
    }
    return outcome;
}

} // namespace Confinement
