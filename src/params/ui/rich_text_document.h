#pragma once
// The comment's run list in a QTextDocument and back: paragraphs become blocks, runs become
// fragments with their bold, italic, underline, size, colour and font.

#include "params/rtf.h"

class QTextDocument;

namespace kvx::params::ui {

/// Replaces the content of `doc` with `text`.
void fillDocument(QTextDocument& doc, const RichText& text);
/// The text of `doc`, every run with its effective size and font (the document's default
/// font fills in what a fragment does not set).
RichText fromDocument(const QTextDocument& doc);

}  // namespace kvx::params::ui
