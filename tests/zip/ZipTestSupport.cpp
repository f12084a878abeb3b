#include "tests/zip/ZipTestSupport.h"

#include <sys/wait.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>

namespace yeroup::test {

namespace fs = std::filesystem;

std::string TextBytes(std::size_t size, unsigned seed) {
    static const char* words[] = {"firmware ", "player ", "update ", "chip ", "audio ", "volume ", "track\n"};
    std::mt19937 rng(seed);
    std::string out;
    while (out.size() < size) out += words[rng() % 7];
    out.resize(size);
    return out;
}

std::string NoiseBytes(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(rng());
    return out;
}

int RunTool(const std::string& command, const fs::path& folder) {
    const std::string line = "cd '" + folder.string() + "' && ( " + command + " ) >/dev/null 2>&1";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> ListFiles(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file()) names.push_back(fs::relative(e.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

namespace {

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

}  // namespace

std::string BuildArchive(const std::vector<HandEntry>& entries, const std::string& comment) {
    std::string body;
    std::string directory;
    for (const HandEntry& e : entries) {
        const std::string payload = e.deflate ? RawDeflate(e.data) : e.data;
        const std::uint16_t method = e.method != 0xFFFF ? e.method : (e.deflate ? 8 : 0);
        std::uint32_t crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        if (e.flipCrc) crc ^= 0x00010000;
        const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
        std::string common;
        Put16(common, e.versionNeeded);
        Put16(common, e.flags);
        Put16(common, method);
        Put16(common, e.dosTime);
        Put16(common, e.dosDate);
        Put32(common, crc);
        Put32(common, static_cast<std::uint32_t>(payload.size()));
        Put32(common, e.declaredSize < 0 ? static_cast<std::uint32_t>(e.data.size())
                                         : static_cast<std::uint32_t>(e.declaredSize));
        Put16(common, static_cast<unsigned>(e.name.size()));
        Put16(common, 0);
        Put32(body, 0x04034B50);
        body += common + e.name + payload;
        Put32(directory, 0x02014B50);
        Put16(directory, 20);
        directory += common;
        Put16(directory, 0);  // comment length
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, e.externalAttributes);
        Put32(directory, offset);
        directory += e.name;
    }
    std::string end;
    Put32(end, 0x06054B50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<unsigned>(entries.size()));
    Put16(end, static_cast<unsigned>(entries.size()));
    Put32(end, static_cast<std::uint32_t>(directory.size()));
    Put32(end, static_cast<std::uint32_t>(body.size()));
    Put16(end, static_cast<unsigned>(comment.size()));
    return body + directory + end + comment;
}

zip::TZFOverwriteAnswer ScriptedPrompts::ConfirmOverwrite(const std::string& text) {
    asked.push_back(text);
    return overwriteAnswer;
}

zip::TZFAction ScriptedPrompts::ProcessFileFailure(const std::string& text) {
    asked.push_back(text);
    if (failureAnswers.empty()) return zip::fxaIgnore;
    const zip::TZFAction answer = failureAnswers[std::min(failures_, failureAnswers.size() - 1)];
    ++failures_;
    return answer;
}

bool ScriptedPrompts::QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) {
    asked.push_back(caption + "|" + prompt);
    if (passwordsUsed_ >= passwords.size()) return false;
    value = passwords[passwordsUsed_++];
    return true;
}

}  // namespace yeroup::test
