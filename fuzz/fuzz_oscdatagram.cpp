// The OSC datagram handler on arbitrary bytes: no crash, no undefined behaviour,
// and no move of a lamp the bytes did not validly address.
#include "lamps/lampcommand.h"
#include "remote/osc/osccommandhandler.h"
#include "remoteapi/lampmover.h"
#include "remoteapi/lookcontrol.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr int LampCount = 12;

class RecordingMover final : public LampMover
{
public:
    int lampCount() const override { return LampCount; }
    void moveLamp(int lamp, int level) override { moves.emplace_back(lamp, level); }
    std::vector<std::pair<int, int>> moves;
};

// Looks by name or number, fades in range, blackout only on or off.
class CheckingLooks final : public LookControl
{
public:
    QStringList lookNames() const override { return {QStringLiteral("A"), QStringLiteral("B")}; }
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
};

// Every OSC packet starts with an address or a bundle tag and is whole 4-byte words.
bool couldBePacket(const QByteArray &bytes)
{
    return !bytes.isEmpty() && bytes.size() % 4 == 0
        && (bytes.startsWith('/') || bytes.startsWith(QByteArray("#bundle\0", 8)));
}

// The address naming the lamp, or naming all lamps, must be in the bytes, whole.
bool addressed(const QByteArray &bytes, int lamp)
{
    const QByteArray single = "/kelvaris/lamp/" + QByteArray::number(lamp) + '\0';
    const QByteArray all("/kelvaris/lamps\0", 16);
    return bytes.contains(single) || bytes.contains(all);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    RecordingMover mover;
    CheckingLooks looks;
    OscCommandHandler handler(mover, looks);
    handler.handleDatagram(bytes);

    check(mover.moves.empty() || couldBePacket(bytes));
    for (const auto &[lamp, level] : mover.moves) {
        check(lamp >= 0 && lamp < LampCount);
        check(level >= 0 && level <= LampCommand::MaxLevel);
        check(addressed(bytes, lamp));
    }
    return 0;
}
