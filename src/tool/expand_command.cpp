#include "tool/expand_command.h"

#include <iostream>
#include <string>
#include <vector>

#include "algorithms/algorithm_form.h"
#include "model/test_document.h"
#include "storage/test_file.h"
#include "tool/output_guard.h"

namespace kvx::tool {

int runExpand(int argc, char** argv) {
    std::string in, out;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) out = argv[++i];
        else if (in.empty()) in = a;
        else in.clear(), i = argc;  // a second input: usage error below
    }
    if (in.empty() || out.empty()) {
        std::cerr << "kvxtool: usage: kvxtool expand IN -o OUT\n";
        return 2;
    }
    if (outputRefused(out, in)) return 2;
    model::TestDocument doc;
    std::vector<std::string> errors;
    doc.events().error = [&](const std::string& e) { errors.push_back(e); };
    const auto loaded = storage::loadTestFile(doc, in);
    if (loaded.status == storage::LoadStatus::Unreadable) {
        std::cerr << "kvxtool: " << loaded.reason << "\n";
        return 2;
    }
    for (const auto& m : loaded.messages) std::cerr << "kvxtool: " << m << "\n";
    errors.clear();
    // The drawn diagram is the whole loaded test, as on the first use of the dialog.
    doc.setBaseTactCount(doc.tactCount());
    const algorithms::AlgorithmForm form = algorithms::openForm(doc, doc.activeAlgorithm());
    const algorithms::HandlerResult r = algorithms::runHandler(doc, form, true);
    if (r.stopped || r.expansionRefused) {
        std::cerr << "kvxtool: " << (r.stopped ? r.message : errors.empty() ? model::kDiagrSizeError : errors.front())
                  << "\n";
        return 2;
    }
    const auto saved = storage::saveTestFile(doc, out);
    if (!saved.ok) {
        std::cerr << "kvxtool: " << saved.error << "\n";
        return 2;
    }
    return loaded.messages.empty() ? 0 : 1;
}

}  // namespace kvx::tool
