#pragma once
// The RTF tokeniser: it walks the bytes of an RTF file and hands each token
// to a handler as an event, knowing nothing of documents. The document
// builder (rtf_document.h) is one handler; a test or a tool can be another.
//
// Bounded whatever the input: groups are counted, not recursed into, and may
// nest at most kMaxGroupDepth deep; a control word is at most
// kMaxControlWord letters; a parameter is clamped to the int32 range however
// many digits it has; \binN takes no more bytes than the file still holds.
// Time is linear in the input and nothing is allocated per token.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lettrica::docio {

inline constexpr std::size_t kMaxGroupDepth = 4096;
inline constexpr std::size_t kMaxControlWord = 32;  // letters, RTF's own limit

// What went wrong while reading, with the byte offset where it was found.
// Only the first fault is kept.
enum class RtfError {
    None,
    NotRtf,         // the file does not begin with "{\rtf": nothing was read
    Truncated,      // the file ends inside a group (cut short, or a '}' is missing)
    TooDeep,        // groups nest deeper than kMaxGroupDepth: reading stopped there
    WordTooLong,    // a control word of more than kMaxControlWord letters: skipped
    BinaryPastEnd,  // \binN announces more bytes than the file has
    Stopped,        // the handler asked to stop: the rest was not read
};

struct RtfFault {
    RtfError error = RtfError::None;
    std::size_t offset = 0;
    bool ok() const { return error == RtfError::None; }
};

// An English sentence for the command line: "the file ends inside a group".
const char* describeRtfError(RtfError error);

// Receives the tokens in file order. The reader decodes nothing but RTF's
// own syntax: \'hh arrives as its byte, \uN as its number, the escapes \\ \{
// \} as text and a backslash before a line end as the word "par". Line ends
// in the file are not text and are dropped. A \' not followed by two hex
// digits is no character: it is dropped with the (at most two) bytes that
// follow it, but a brace, a backslash or a line end, which keep their
// meaning, as LibreOffice reads it.
class RtfHandler {
public:
    enum class Action {
        Continue,
        // Skip to the end of the innermost open group, whatever it holds
        // (\bin data included), then deliver its groupEnd().
        SkipGroup,
        // Stop reading here; the fault is Stopped.
        Stop,
    };

    virtual ~RtfHandler() = default;
    virtual Action groupStart() = 0;
    virtual void groupEnd() = 0;
    // A control word with its parameter, if it has one: "b" / "b0", "fs24".
    virtual Action controlWord(std::string_view word, bool hasParameter, std::int32_t parameter) = 0;
    // A control symbol other than the escapes above: '*', '~', '-', '_', ':', '|' ...
    virtual Action controlSymbol(char symbol) = 0;
    // Literal bytes, never empty; may be split anywhere.
    virtual void text(std::string_view bytes) = 0;
    // \'hh
    virtual void hexByte(unsigned char byte) = 0;
    // \uN, N made non-negative: a UTF-16 unit (negative N taken modulo
    // 65536), or a whole code point for the rare writer that writes one.
    virtual void unicode(std::uint32_t value) = 0;
    // The data of \binN.
    virtual void binary(std::string_view data) = 0;
};

// Where the document's "{\rtf" begins: after a UTF-8 byte-order mark and
// white space, which some tools put in front; npos when it is not RTF.
std::size_t rtfStart(std::string_view bytes);
inline bool isRtfDocument(std::string_view bytes) { return rtfStart(bytes) != std::string_view::npos; }

// Reads the document's outermost group, calling `handler` for each token.
// Whatever follows that group is ignored. On a fault the handler has seen
// every token before it; reading goes on after a WordTooLong and stops after
// the others.
RtfFault readRtfTokens(std::string_view bytes, RtfHandler& handler);

}  // namespace lettrica::docio
