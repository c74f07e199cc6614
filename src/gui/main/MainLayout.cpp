#include "gui/main/MainLayout.h"

#include <array>

#include "gui/controls/DialogUnits.h"

namespace tagwright::gui {

namespace {

constexpr int kPageRowTop = 20;
constexpr int kPageRowPitch = 13;

int PageRowY(int page) { return kPageRowTop + kPageRowPitch * (page - 1); }

std::vector<LayoutEntry> BuildLayout() {
    using K = LayoutKind;
    using M = MainControl;
    using S = StaticControl;
    std::vector<LayoutEntry> t;
    auto add = [&t](int id, K kind, int x, int y, int w, int h, std::string text = {},
                    int number = 0) {
        t.push_back({id, kind, x, y, w, h, std::move(text), number, false});
    };

    // Frames first: the controls inside are created after them and lie on top.
    add(LayoutId(S::ConfigGroup), K::GroupBox, 235, 3, 279, 71);
    add(LayoutId(S::ManualGroup), K::GroupBox, 236, 76, 279, 112);
    add(LayoutId(S::TerminalGroup), K::GroupBox, 522, 0, 209, 243);
    t.back().inTerminalPane = true;

    // Page area.
    add(LayoutId(M::SelectAll), K::SelectBox, 11, 8, 8, 10);
    add(LayoutId(S::LabelAll), K::Label, 21, 8, 20, 10, "all");
    add(LayoutId(M::HexButton), K::ChoiceButton, 51, 8, 8, 8);
    add(LayoutId(S::LabelHex), K::Label, 61, 8, 24, 8, "HEX");
    add(LayoutId(M::AsciiButton), K::ChoiceButton, 103, 8, 8, 8);
    add(LayoutId(S::LabelAscii), K::Label, 113, 8, 30, 8, "ASCII");
    for (int p = 1; p <= 17; ++p) {
        const int y = PageRowY(p);
        add(LayoutId(SelectBox(p)), K::SelectBox, 11, y + 1, 8, 10);
        add(LayoutId(S::PageLabel1) + p - 1, K::Label, 29, y + 2, 17, 8, "P" + std::to_string(p));
        add(LayoutId(PageField(p)), K::PageField, 48, y, 138, 12, {}, p);
        add(LayoutId(S::RowLabel1) + p - 1, K::Label, 192, y + 2, 40, 8,
            p <= 2 ? "Carrier ID " + std::to_string(p) : "user free");
    }

    // Config group.
    add(LayoutId(M::ConfigButton), K::ChoiceButton, 244, 3, 8, 8);
    add(LayoutId(S::LabelConfig), K::Label, 254, 3, 26, 8, "Config");
    add(LayoutId(M::StatusField), K::BorderedLabel, 242, 14, 264, 12);
    add(LayoutId(M::CarrierIdLabel), K::Label, 244, 30, 60, 8, "Carrier ID");
    add(LayoutId(M::NextField), K::NumberField, 242, 40, 88, 12, {}, 21);
    add(LayoutId(M::NextSpin), K::Spin, 330, 40, 10, 12);
    add(LayoutId(M::NextLabel), K::Label, 343, 42, 24, 8, "next");
    add(LayoutId(M::MaxField), K::NumberField, 242, 53, 88, 12, {}, 21);
    add(LayoutId(M::MaxSpin), K::Spin, 330, 53, 10, 12);
    add(LayoutId(M::MaxLabel), K::Label, 343, 55, 24, 8, "max");
    add(LayoutId(M::One), K::PushButton, 425, 40, 85, 12, "  One");
    add(LayoutId(M::ContOn), K::PushButton, 425, 53, 85, 12, "  Cont On");
    add(LayoutId(S::NextDataSet), K::HiddenButton, 0, 0, 0, 0, "NextDataSet");
    add(LayoutId(S::CurrentDataSetProcessed), K::HiddenButton, 0, 0, 0, 0,
        "CurrentDataSetProcessed");

    // Manual group.
    add(LayoutId(M::ManualButton), K::ChoiceButton, 244, 76, 8, 8);
    add(LayoutId(S::LabelManual), K::Label, 254, 76, 28, 8, "Manual");
    add(LayoutId(M::Read), K::PushButton, 242, 88, 88, 12, "  read");
    add(LayoutId(M::Write), K::PushButton, 242, 101, 88, 12, "  write");
    add(LayoutId(M::Lock), K::PushButton, 242, 114, 88, 12, "  lock");
    add(LayoutId(M::DefaultContent), K::PushButton, 242, 127, 88, 12, "  default memory content");
    add(LayoutId(M::CarrierIdOffsetLabel), K::BorderedLabel, 336, 88, 88, 12,
        "  Carrier ID Offset");
    add(LayoutId(M::CarrierIdLengthLabel), K::BorderedLabel, 336, 101, 88, 12,
        "  Carrier ID Length");
    add(LayoutId(M::CarrierIdFieldLabel), K::BorderedLabel, 336, 114, 88, 12, "  Carrier ID");
    add(LayoutId(M::CarrierIdOffset), K::NumberField, 425, 88, 85, 12, {}, 18);
    add(LayoutId(M::CarrierIdLength), K::NumberField, 425, 101, 85, 12, {}, 19);
    add(LayoutId(M::CarrierId), K::NumberField, 425, 114, 85, 12, {}, 20);
    add(LayoutId(M::ReadCarrierId), K::PushButton, 336, 127, 88, 12, "  read carrier ID");
    add(LayoutId(M::WriteCarrierId), K::PushButton, 336, 140, 88, 12, "  write carrier ID");
    add(LayoutId(M::ReadUid), K::PushButton, 242, 155, 88, 12, "  read UID");
    add(LayoutId(M::Uid), K::NumberField, 242, 168, 88, 12, {}, 21);

    // Terminal pane.
    const std::size_t paneStart = t.size();
    add(LayoutId(S::TerminalLabel), K::Label, 527, 1, 28, 8, "Terminal");
    add(LayoutId(M::TerminalCommand), K::CommandField, 528, 9, 130, 14);
    add(LayoutId(M::Send), K::PushButton, 661, 9, 64, 14, "Send");
    add(LayoutId(M::Traffic), K::TrafficField, 528, 26, 197, 211);
    for (std::size_t i = paneStart; i < t.size(); ++i) t[i].inTerminalPane = true;

    // Elsewhere.
    add(LayoutId(S::Logo), K::Picture, 364, 211, 0, 0);
    add(LayoutId(S::LastCarrierId), K::HiddenButton, 0, 0, 0, 0, "LastCarrierID");
    return t;
}

}  // namespace

const std::vector<LayoutEntry>& MainLayout() {
    static const std::vector<LayoutEntry> layout = BuildLayout();
    return layout;
}

const LayoutEntry* FindLayout(int id) {
    static const std::array<const LayoutEntry*, kLayoutIdCount> index = [] {
        std::array<const LayoutEntry*, kLayoutIdCount> a{};
        for (const LayoutEntry& e : MainLayout()) a.at(static_cast<std::size_t>(e.id)) = &e;
        return a;
    }();
    if (id < 0 || id >= kLayoutIdCount) return nullptr;
    return index[static_cast<std::size_t>(id)];
}

QRect PixelRect(const LayoutEntry& entry) {
    return DluRect(entry.x, entry.y, entry.width, entry.height);
}

}  // namespace tagwright::gui
