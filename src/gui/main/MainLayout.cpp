#include "gui/main/MainLayout.h"

#include <array>

#include "gui/controls/DialogUnits.h"

namespace tagwright::gui {

namespace {

constexpr int kPageRowTop = 20;
constexpr int kPageRowPitch = 13;

int PageRowY(int page) { return kPageRowTop + kPageRowPitch * (page - 1); }

using K = LayoutKind;
using M = MainControl;
using S = StaticControl;

// The layout table as it is built, in creation order.
struct Table {
    std::vector<LayoutEntry> t;
    void add(int id, K kind, int x, int y, int w, int h, std::string text = {}, int number = 0) {
        t.push_back({id, kind, x, y, w, h, std::move(text), number, false});
    }
};

void AddPageArea(Table& t) {
    t.add(LayoutId(M::SelectAll), K::SelectBox, 11, 8, 8, 10);
    t.add(LayoutId(S::LabelAll), K::Label, 21, 8, 20, 10, "all");
    t.add(LayoutId(M::HexButton), K::ChoiceButton, 51, 8, 8, 8);
    t.add(LayoutId(S::LabelHex), K::Label, 61, 8, 24, 8, "HEX");
    t.add(LayoutId(M::AsciiButton), K::ChoiceButton, 103, 8, 8, 8);
    t.add(LayoutId(S::LabelAscii), K::Label, 113, 8, 30, 8, "ASCII");
    for (int p = 1; p <= 17; ++p) {
        const int y = PageRowY(p);
        t.add(LayoutId(SelectBox(p)), K::SelectBox, 11, y + 1, 8, 10);
        t.add(LayoutId(S::PageLabel1) + p - 1, K::Label, 29, y + 2, 17, 8,
              "P" + std::to_string(p));
        t.add(LayoutId(PageField(p)), K::PageField, 48, y, 138, 12, {}, p);
        t.add(LayoutId(S::RowLabel1) + p - 1, K::Label, 192, y + 2, 40, 8,
              p <= 2 ? "Carrier ID " + std::to_string(p) : "user free");
    }
}

// A number field with its spin arrows and label, as "next" and "max" are.
void AddSpinRow(Table& t, M field, M spin, M label, int y, const char* text) {
    t.add(LayoutId(field), K::NumberField, 242, y, 88, 12, {}, 21);
    t.add(LayoutId(spin), K::Spin, 330, y, 10, 12);
    t.add(LayoutId(label), K::Label, 343, y + 2, 24, 8, text);
}

void AddConfigGroup(Table& t) {
    t.add(LayoutId(M::ConfigButton), K::ChoiceButton, 244, 3, 8, 8);
    t.add(LayoutId(S::LabelConfig), K::Label, 254, 3, 26, 8, "Config");
    t.add(LayoutId(M::StatusField), K::BorderedLabel, 242, 14, 264, 12);
    t.add(LayoutId(M::CarrierIdLabel), K::Label, 244, 30, 60, 8, "Carrier ID");
    AddSpinRow(t, M::NextField, M::NextSpin, M::NextLabel, 40, "next");
    AddSpinRow(t, M::MaxField, M::MaxSpin, M::MaxLabel, 53, "max");
    t.add(LayoutId(M::One), K::PushButton, 425, 40, 85, 12, "  One");
    t.add(LayoutId(M::ContOn), K::PushButton, 425, 53, 85, 12, "  Cont On");
    t.add(LayoutId(S::NextDataSet), K::HiddenButton, 0, 0, 0, 0, "NextDataSet");
    t.add(LayoutId(S::CurrentDataSetProcessed), K::HiddenButton, 0, 0, 0, 0,
          "CurrentDataSetProcessed");
}

void AddManualGroup(Table& t) {
    t.add(LayoutId(M::ManualButton), K::ChoiceButton, 244, 76, 8, 8);
    t.add(LayoutId(S::LabelManual), K::Label, 254, 76, 28, 8, "Manual");
    t.add(LayoutId(M::Read), K::PushButton, 242, 88, 88, 12, "  read");
    t.add(LayoutId(M::Write), K::PushButton, 242, 101, 88, 12, "  write");
    t.add(LayoutId(M::Lock), K::PushButton, 242, 114, 88, 12, "  lock");
    t.add(LayoutId(M::DefaultContent), K::PushButton, 242, 127, 88, 12,
          "  default memory content");
    t.add(LayoutId(M::CarrierIdOffsetLabel), K::BorderedLabel, 336, 88, 88, 12,
          "  Carrier ID Offset");
    t.add(LayoutId(M::CarrierIdLengthLabel), K::BorderedLabel, 336, 101, 88, 12,
          "  Carrier ID Length");
    t.add(LayoutId(M::CarrierIdFieldLabel), K::BorderedLabel, 336, 114, 88, 12, "  Carrier ID");
    t.add(LayoutId(M::CarrierIdOffset), K::NumberField, 425, 88, 85, 12, {}, 18);
    t.add(LayoutId(M::CarrierIdLength), K::NumberField, 425, 101, 85, 12, {}, 19);
    t.add(LayoutId(M::CarrierId), K::NumberField, 425, 114, 85, 12, {}, 20);
    t.add(LayoutId(M::ReadCarrierId), K::PushButton, 336, 127, 88, 12, "  read carrier ID");
    t.add(LayoutId(M::WriteCarrierId), K::PushButton, 336, 140, 88, 12, "  write carrier ID");
    t.add(LayoutId(M::ReadUid), K::PushButton, 242, 155, 88, 12, "  read UID");
    t.add(LayoutId(M::Uid), K::NumberField, 242, 168, 88, 12, {}, 21);
}

void AddTerminalPane(Table& t) {
    const std::size_t paneStart = t.t.size();
    t.add(LayoutId(S::TerminalLabel), K::Label, 527, 1, 28, 8, "Terminal");
    t.add(LayoutId(M::TerminalCommand), K::CommandField, 528, 9, 130, 14);
    t.add(LayoutId(M::Send), K::PushButton, 661, 9, 64, 14, "Send");
    t.add(LayoutId(M::Traffic), K::TrafficField, 528, 26, 197, 211);
    for (std::size_t i = paneStart; i < t.t.size(); ++i) t.t[i].inTerminalPane = true;
}

std::vector<LayoutEntry> BuildLayout() {
    Table t;
    // Frames first: the controls inside are created after them and lie on top.
    t.add(LayoutId(S::ConfigGroup), K::GroupBox, 235, 3, 279, 71);
    t.add(LayoutId(S::ManualGroup), K::GroupBox, 236, 76, 279, 112);
    t.add(LayoutId(S::TerminalGroup), K::GroupBox, 522, 0, 209, 243);
    t.t.back().inTerminalPane = true;

    AddPageArea(t);
    AddConfigGroup(t);
    AddManualGroup(t);
    AddTerminalPane(t);

    // Elsewhere.
    t.add(LayoutId(S::Logo), K::Picture, 364, 211, 0, 0);
    t.add(LayoutId(S::LastCarrierId), K::HiddenButton, 0, 0, 0, 0, "LastCarrierID");
    return std::move(t.t);
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
