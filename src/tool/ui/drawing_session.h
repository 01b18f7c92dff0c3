#pragma once
// What the drawing commands of kvxtool (render, sheet) start with: the toolkit without a screen
// and the test loaded as the editor loads it.

#include <QGuiApplication>
#include <memory>
#include <string>
#include <vector>

#include "model/test_document.h"

namespace kvx::tool {

struct DrawingSession {
    std::unique_ptr<QGuiApplication> app;  ///< empty when an application exists already
    model::TestDocument doc;
    std::vector<std::string> messages;  ///< what the load showed (also written to standard error)
};

/// Starts the toolkit on a platform without a screen (see headless_platform.h) and loads `in` into the session's
/// document; the reader's messages go to standard error. Returns the refusal, or "" when the
/// test is loaded.
std::string startDrawing(DrawingSession& session, const std::string& in);

}  // namespace kvx::tool
