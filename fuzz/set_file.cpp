// Parameter-set files: a set loaded from any file, saved and loaded again,
// is the same set; writing its carrier ID back changes nothing it reads.

#include "FuzzCheck.h"
#include "core/base/AtomicFile.h"
#include "core/config/SetStore.h"

using namespace tagwright;

namespace {

// Answers Yes to every question (there is none while the file is new).
class AgreeingView : public MessageView {
public:
    MsgAnswer ShowMessage(const MessageRequest& request) override {
        return request.buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    fuzz::EmptyScratchDir();
    const std::filesystem::path& dir = fuzz::ScratchDir();
    FUZZ_REQUIRE(WriteFileAtomically(dir / "in.ini", fuzz::AsText(data, size)));

    const ParameterSet loaded = LoadSet(dir, "in", true);
    NameList names;
    AgreeingView view;
    FUZZ_REQUIRE(SaveSet(dir, "out", loaded, names, view) == SaveSetResult::Saved);
    FUZZ_REQUIRE(LoadSet(dir, "out", true) == loaded);

    std::string error;
    FUZZ_REQUIRE(WriteSetCarrierId(dir, "in", loaded.carrierId, &error));
    FUZZ_REQUIRE(LoadSet(dir, "in", true) == loaded);
    return 0;
}
