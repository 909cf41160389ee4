#include "repair/line_repair.h"

#include <cstring>

#include "text/utf8.h"

namespace lettrica::repair {

namespace {

bool isAscii(std::string_view bytes) {
    unsigned char any = 0;
    for (char c : bytes) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

}  // namespace

LineRepair::LineRepair(RepairKind kind, Report report, std::size_t longestLine, RepairSettings settings)
    : kind_(kind), report_(std::move(report)), longestLine_(longestLine < 16 ? 16 : longestLine),
      encoding_(settings), layout_(settings) {}

void LineRepair::handle(std::string_view text, bool part, std::string& out) {
    const Verdict* verdict = nullptr;
    Verdict v;
    bool notUtf8 = false;
    if (text.empty() || (kind_ == RepairKind::Encoding && isAscii(text))) {
        out.append(text);  // nothing a misreading could have changed
    } else if (!text::isValidUtf8(text)) {
        notUtf8 = true;
        out.append(text);
    } else {
        decoded_.clear();
        text::appendDecodedUtf8(text, decoded_);
        v = judgeParagraph(kind_, decoded_, encoding_, layout_);
        verdict = &v;
        if (v.repaired) {
            ++repaired_;
            text::appendEncodedUtf8(v.text, out);
        } else {
            out.append(text);
        }
    }
    if (report_) report_(LineOutcome{line_, part || split_, notUtf8, verdict});
}

void LineRepair::handleLine(std::string_view line, std::string& out) {
    // A line break is CR LF or LF; the CR is not part of the paragraph.
    std::string_view body = line;
    std::string_view end = "\n";
    if (!body.empty() && body.back() == '\r') {
        body.remove_suffix(1);
        end = "\r\n";
    }
    handle(body, false, out);
    out.append(end);
    split_ = false;
    ++line_;
}

void LineRepair::feed(std::string_view bytes, std::string& out) {
    while (!bytes.empty()) {
        const char* nl = static_cast<const char*>(std::memchr(bytes.data(), '\n', bytes.size()));
        if (!nl) {
            pending_.append(bytes);
            // Too long to keep waiting for its end: judge a part of it.
            while (pending_.size() > longestLine_) {
                std::string_view whole(pending_);
                std::size_t cut = whole.rfind(' ', longestLine_);
                if (cut == std::string_view::npos || cut < longestLine_ / 2) {
                    // At a character's edge: a character has at most three
                    // bytes after its first. Bytes that are no characters
                    // (continuation bytes on and on) are cut anywhere: they
                    // pass unchanged all the same.
                    cut = longestLine_;
                    for (int back = 0; back < 3 && (static_cast<unsigned char>(whole[cut]) & 0xC0) == 0x80; ++back)
                        --cut;
                    if ((static_cast<unsigned char>(whole[cut]) & 0xC0) == 0x80) cut = longestLine_;
                } else {
                    ++cut;  // the space goes with the part before it
                }
                handle(whole.substr(0, cut), true, out);
                split_ = true;
                pending_.erase(0, cut);
            }
            return;
        }
        const std::size_t length = static_cast<std::size_t>(nl - bytes.data());
        if (pending_.empty()) {
            handleLine(bytes.substr(0, length), out);
        } else {
            pending_.append(bytes.substr(0, length));
            handleLine(pending_, out);
            pending_.clear();
        }
        bytes.remove_prefix(length + 1);
    }
}

void LineRepair::finish(std::string& out) {
    if (!pending_.empty()) {
        handle(pending_, false, out);
        pending_.clear();
        ++line_;
    }
    split_ = false;
}

}  // namespace lettrica::repair
