// The phone remote's message handler on arbitrary text: no crash, no undefined
// behaviour, and no call on the panel that names a lamp, level or group not there.
#include "remote/web/remotemessagehandler.h"
#include "remoteapi/remotepanel.h"

#include <QByteArray>
#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr int LampCount = 6;
constexpr int MaxLevel = 255;

class CheckingPanel final : public RemotePanel
{
public:
    int lampCount() const override { return LampCount; }
    void moveLamp(int lamp, int level) override
    {
        check(lamp >= 0 && lamp < LampCount && level >= 0 && level <= MaxLevel);
    }
    int lampLevel(int) const override { return 0; }
    bool isLampLinked(int) const override { return false; }
    void setLampLinked(int lamp, bool) override { check(lamp >= 0 && lamp < LampCount); }
    QStringList groupNames() const override { return {QStringLiteral("A"), QStringLiteral("B")}; }
    void selectGroup(int index) override { check(index == 0 || index == 1); }
    void deselectAll() override { }
    QString panelName() const override { return {}; }
    QString lampName(int) const override { return {}; }
    QStringList lookNames() const override { return {QStringLiteral("C"), QStringLiteral("D")}; }
    QStringList storedLookNames() const override { return lookNames(); }
    double defaultFadeSeconds() const override { return 2.0; }
    bool recallLook(const QString &name, std::optional<double>) override
    {
        check(lookNames().contains(name));
        return true;
    }
    void storeLook(const QString &) override { }
    bool isBlackout() const override { return false; }
    void setBlackout(bool) override { }
    void addListener(RemotePanelListener &) override { }
    void removeListener(RemotePanelListener &) override { }
};

} // namespace

// Each line is one message, a millisecond after the one before.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace std::chrono_literals;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    CheckingPanel panel;
    RemoteMessageHandler handler(panel);
    auto now = std::chrono::nanoseconds(1s);
    for (const QByteArray &message : bytes.split('\n')) {
        handler.handleMessage(message, now);
        handler.applyDueMove(now);
        now += 1ms;
    }
    handler.applyDueMove(now + 1s);
    check(!handler.nextMoveDue());
    return 0;
}
