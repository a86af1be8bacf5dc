// SPDX-License-Identifier: GPL-2.0-or-later
// The floor for the client's own share of a call: a program linked to the Qt libraries that
// osd-notify uses (QtCore and QtDBus), which does nothing. Spawning it costs what loading and
// linking those libraries costs; osd-notify's time beyond it is the client's own.

#include <QDBusConnection>
#include <QtGlobal>

int main()
{
    // One symbol of each library is referenced and none is called, so that neither library is
    // dropped by a linker that leaves out unused ones.
    const void *const volatile used[] = {reinterpret_cast<const void *>(&qVersion), reinterpret_cast<const void *>(&QDBusConnection::sessionBus)};
    return used[0] && used[1] ? 0 : 1;
}
