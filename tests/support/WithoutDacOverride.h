#pragma once
// Makes the test process obey file permissions while it lives, as an
// ordinary user does: as root it drops CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH
// and CAP_FOWNER from the effective set (they stay permitted and come back
// when the guard ends). Without root nothing needs to change.

#include <initializer_list>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class WithoutDacOverride {
public:
    WithoutDacOverride() {
        if (::geteuid() != 0)
            return;
        if (!get(FSaved))
            return;
        __user_cap_data_struct data[2] = {FSaved[0], FSaved[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            data[cap / 32].effective &= ~(1u << (cap % 32));
        FDropped = set(data);
    }
    ~WithoutDacOverride() {
        if (FDropped)
            set(FSaved);
    }
    // True when permissions now apply (dropped, or not root in the first place).
    bool active() const { return FDropped || ::geteuid() != 0; }

    WithoutDacOverride(const WithoutDacOverride &) = delete;
    WithoutDacOverride &operator=(const WithoutDacOverride &) = delete;

private:
    static bool get(__user_cap_data_struct *data) {
        __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capget, &header, data) == 0;
    }
    static bool set(__user_cap_data_struct *data) {
        __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
        return ::syscall(SYS_capset, &header, data) == 0;
    }
    __user_cap_data_struct FSaved[2] = {};
    bool FDropped = false;
};
