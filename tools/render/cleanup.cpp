#include "tools/render/cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace render {
namespace {

constexpr int kSlots = 64;
constexpr size_t kPathBytes = 4096;
// Plain storage the handler can read at any moment: a slot is valid once its flag is set.
char g_paths[kSlots][kPathBytes];
volatile sig_atomic_t g_used[kSlots];

void OnSignal(int sig) {
    for (int i = kSlots - 1; i >= 0; --i) {
        if (!g_used[i]) continue;
        if (::unlink(g_paths[i]) != 0) ::rmdir(g_paths[i]);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

}  // namespace

void InstallInterruptCleanup() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

DeferSignals::DeferSignals() {
    static_assert(sizeof(sigset_t) <= sizeof(saved_));
    sigset_t block;
    sigemptyset(&block);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
    ::sigprocmask(SIG_BLOCK, &block, reinterpret_cast<sigset_t*>(saved_));
}

DeferSignals::~DeferSignals() {
    ::sigprocmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

void RegisterTemporary(const std::string& path) {
    if (path.empty() || path.size() >= kPathBytes) return;
    for (int i = 0; i < kSlots; ++i) {
        if (g_used[i]) continue;
        std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
        g_used[i] = 1;
        return;
    }
}

void ForgetTemporary(const std::string& path) {
    for (int i = kSlots - 1; i >= 0; --i)
        if (g_used[i] && path == g_paths[i]) {
            g_used[i] = 0;
            return;
        }
}

}  // namespace render
