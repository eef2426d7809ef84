#include "mail/host_lookup.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
// Abandoned lookups go on until the system's resolver gives up. Each one
// holds a thread; a resolver that answers nobody should not collect more.
constexpr int kMaxPendingLookups = 4;
std::atomic<int> pendingLookups{0};

struct Answer
{
    std::mutex mutex;
    std::condition_variable arrived;
    std::optional<QHostInfo> info;
};

QHostInfo failedLookup(const QString& why)
{
    QHostInfo info;
    info.setError(QHostInfo::UnknownError);
    info.setErrorString(why);
    return info;
}
} // namespace

std::optional<QHostInfo> LookUpHost(const QString& name, const QDeadlineTimer& deadline,
                                    const HostResolver& resolver)
{
    if (pendingLookups.load() >= kMaxPendingLookups)
        return failedLookup(QStringLiteral("前に始めた名前解決がまだ終わっていません"));
    // Shared with the thread, which may outlive this call.
    auto answer = std::make_shared<Answer>();
    ++pendingLookups;
    try {
        std::thread([answer, name, resolver] {
            QHostInfo info = resolver ? resolver(name) : QHostInfo::fromName(name);
            {
                const std::lock_guard lock(answer->mutex);
                answer->info = std::move(info);
            }
            answer->arrived.notify_all();
            --pendingLookups;
        }).detach();
    } catch (const std::system_error&) {
        --pendingLookups;
        return failedLookup(QStringLiteral("名前解決を始められませんでした"));
    }
    std::unique_lock lock(answer->mutex);
    const auto arrived = [&answer] { return answer->info.has_value(); };
    if (deadline.isForever())
        answer->arrived.wait(lock, arrived);
    else
        answer->arrived.wait_for(
            lock, std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime())), arrived);
    return answer->info;
}
