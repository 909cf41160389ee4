#pragma once
// The work of a long command, in pieces small enough for the event loop to
// run between them: a chunk of paragraphs is read from the source document,
// converted by the engine and built into the target document, then the next
// chunk. A chunk is what one call reads, so a call usually takes its chunk
// all the way; a paragraph longer than that takes several calls at each
// step. Only a chunk is held in between, whatever the size of the document.
//
// Once conversion is stopped, the paragraphs still to come go into the target
// as they are: the target then holds the converted beginning and the
// untouched rest, and is complete when done() says so.

#include <QTextDocument>
#include <cstddef>
#include <optional>

#include "app/document/document_builder.h"
#include "app/document/document_reader.h"
#include "convert/document_conversion.h"

namespace lettrica::translit {
class Converter;
}

namespace lettrica::app {

class ConversionPipeline {
public:
    // `source` must not change while the pipeline works; `target` is empty.
    // They may be the same document only if the caller never lets the target
    // be built into its own source, which it does by building a new one.
    // `converter` serves the whole run and must outlive the pipeline.
    ConversionPipeline(const QTextDocument& source, QTextDocument& target, const translit::Converter& converter);

    // Does about `budget` characters of work. Returns done().
    bool work(std::size_t budget);
    bool done() const { return stage_ == Stage::Done; }

    void stopConverting();
    bool converting() const { return converting_; }

    // Source characters in all, and those whose result is in the target; a
    // paragraph break counts two.
    std::size_t total() const { return reader_.total(); }
    std::size_t finished() const;

private:
    enum class Stage { Read, Convert, Build, Done };
    void read(std::size_t budget);
    void convert(std::size_t budget);
    void build(std::size_t budget);
    void toBuild(const text::StyledText& paragraphs);

    DocumentFormats formats_;
    DocumentReader reader_;
    DocumentBuilder builder_;
    const translit::Converter& converter_;
    bool converting_ = true;
    Stage stage_ = Stage::Read;

    text::StyledText chunk_;                                  // read, not yet built
    std::size_t chunkStart_ = 0;                              // source characters before it
    std::optional<translit::DocumentConversion> conversion_;  // over chunk_
    text::StyledText converted_;
    const text::StyledText* building_ = nullptr;              // chunk_ or converted_
    std::size_t paragraph_ = 0, run_ = 0, offset_ = 0;        // next to build
    bool begun_ = false;                                      // paragraph_ is begun in the target
    std::size_t built_ = 0;                                   // source characters of the chunk built, breaks included
};

}  // namespace lettrica::app
