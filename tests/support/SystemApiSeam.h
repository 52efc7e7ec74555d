// The run-time binding table as a seam: a test puts functions of its own (or
// nothing, for a system that lacks them) in the table, and the system's come
// back when the seam ends. Only for tests linked with the library's code.
#ifndef PHONEBK_TESTS_SYSTEMAPISEAM_H
#define PHONEBK_TESTS_SYSTEMAPISEAM_H

#include "SystemApiTable.h"

class SystemApiSeam
{
public:
    SystemApiSeam() : system_(TelephonyApi()) {}
    ~SystemApiSeam() { SystemApi() = system_; }
    SystemApiSeam(const SystemApiSeam&) = delete;
    SystemApiSeam& operator=(const SystemApiSeam&) = delete;

    SystemApiBindings& table() { return SystemApi(); }
    // The system's own functions, for fakes that pass calls on.
    const SystemApiBindings& system() const { return system_; }

    // As on a system that lacks the group.
    void removeTokens() { table().ForgetTokens(); }
    void removeDesktops() { table().ForgetDesktops(); }
    void removeTelephony() { table().ForgetTelephony(); }

private:
    SystemApiBindings system_;
};

#endif
