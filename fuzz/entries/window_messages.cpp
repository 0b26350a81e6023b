// The hidden window's incoming messages: a started plug-in with a drawing open, the simulated map application
// absent or present and some settings as the input says, takes a run of map-application WM_COPYDATA messages
// (any code, any payload) and progress messages, with its timers run between them. The sanitisers catch
// reads outside a payload; the plug-in must then unload leaving no window behind.
#include <algorithm>
#include <vector>

#include "fuzz/entries/entries.h"
#include "fuzz/entries/session.h"
#include "platform/win32/bus/bus_hooks.h"
#include "plugin/app/MessageDlg.h"
#include "plugin/core/Settings.h"
#include "plugin/app/TarnArxApp.h"
#include "plugin/maplink/maplink.h"

namespace tarnfuzz {

namespace {

// The codes the window routes; a selector beyond them takes its code from the input.
constexpr std::uint16_t kCodes[] = {20001, 20112, 20110, 20401, 20203, 20402, 20009, 20211, 20012,
                                    20212, 20302, 20301, 20105, 20101, 20100, 20201, 20202};
constexpr size_t kCodeCount = sizeof kCodes / sizeof kCodes[0];
constexpr int kMaxMessages = 24;

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint16_t Word() {
        const std::uint8_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::uint32_t Dword() {
        const std::uint16_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    // Up to n bytes, in a block of exactly their size.
    std::vector<std::uint8_t> Take(size_t n) {
        n = std::min(n, m_size - std::min(m_at, m_size));
        std::vector<std::uint8_t> bytes(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return bytes;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace

std::string RunWindowMessages(const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const std::uint8_t flags = in.Byte();
    PluginSession session((flags & 1) != 0);
    if (!session.Problem().empty()) {
        return session.Problem();
    }
    // The rest of the first byte: how the drawing's view follows the map's, and the online base map.
    g_Settings.m_nViewFollowMode = (flags >> 1) & 3;
    g_Settings.m_bOnlineMap = (flags >> 3) & 1;
    for (int i = 0; i < kMaxMessages && !in.Done() && GetMessageWindow() != nullptr; ++i) {
        const std::uint8_t selector = in.Byte();
        if (selector == 0xFF) {
            const WPARAM wParam = in.Dword();
            const LPARAM lParam = static_cast<std::int32_t>(in.Dword());
            SendMessageW(GetMessageWindow(), g_nProgressMsg, wParam, lParam);
        } else if (selector == 0xFE) {
            platform::AdvanceClock(in.Word());
        } else {
            const std::uint16_t code = selector < kCodeCount * 8 ? kCodes[selector % kCodeCount] : in.Word();
            std::vector<std::uint8_t> payload = in.Take(in.Word());
            payload.shrink_to_fit();
            COPYDATASTRUCT cds{code, static_cast<DWORD>(payload.size()),
                               payload.empty() ? nullptr : payload.data()};
            SendMessageW(GetMessageWindow(), WM_COPYDATA, kMapMsgWParam, reinterpret_cast<LPARAM>(&cds));
        }
    }
    platform::AdvanceClock(5000);
    return session.Finish();
}

}  // namespace tarnfuzz
