#include "support/TableFixtures.h"

#include <fcntl.h>
#include <cctype>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace TestSupport;

namespace TableFixtures {

Dump SfdiskDump(const std::string& image)
{
    Dump dump;
    const ToolResult r = RunTool({"sfdisk", "--dump", image});
    dump.text = r.output;
    std::istringstream in(r.output);
    std::string line;
    while (std::getline(in, line)) {
        const auto sep = line.find(" : ");
        if (sep != std::string::npos && sep > 0 && std::isdigit(static_cast<unsigned char>(line[sep - 1]))) {
            size_t digits = sep;
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(line[digits - 1])))
                --digits;
            DumpEntry e;
            e.number = std::stoi(line.substr(digits, sep - digits));
            std::string rest = line.substr(sep + 3);
            std::stringstream fields(rest);
            std::string field;
            while (std::getline(fields, field, ',')) {
                while (!field.empty() && field.front() == ' ')
                    field.erase(0, 1);
                const auto eq = field.find('=');
                const std::string key = field.substr(0, eq);
                std::string value = eq == std::string::npos ? "" : field.substr(eq + 1);
                while (!value.empty() && value.front() == ' ')
                    value.erase(0, 1);
                if (key == "start")
                    e.start = std::stoll(value);
                else if (key == "size")
                    e.size = std::stoll(value);
                else if (key == "type")
                    e.type = value;
                else if (key == "bootable")
                    e.bootable = true;
                else if (key == "uuid")
                    e.uuid = value;
                else if (key == "name")
                    e.name = value.size() >= 2 ? value.substr(1, value.size() - 2) : value;
                else if (key == "attrs")
                    e.attrs = value;
            }
            dump.entries.push_back(e);
        } else if (const auto colon = line.find(": "); colon != std::string::npos && colon > 0 &&
                   line.find_first_not_of("abcdefghijklmnopqrstuvwxyz-") == colon) {
            dump.header[line.substr(0, colon)] = line.substr(colon + 2);
        }
    }
    return dump;
}

std::string MakeMbrLayout(const TempDir& dir, const std::string& name)
{
    const std::string image = dir.File(name);
    EXPECT_TRUE(MakeSparseFile(image, 64ll << 20));
    const ToolResult r = Sfdisk(image,
                                "label: dos\n"
                                "label-id: 0x1234abcd\n"
                                "unit: sectors\n"
                                "start=2048, size=16384, type=c, bootable\n"
                                "start=18432, size=20480, type=83\n"
                                "start=40960, size=71680, type=f\n"
                                "start=43008, size=8192, type=7\n"
                                "start=55296, size=12288, type=17\n"
                                "start=71680, size=40960, type=82\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return image;
}

std::string MakeGptLayout(const TempDir& dir, const std::string& name)
{
    const std::string image = dir.File(name);
    EXPECT_TRUE(MakeSparseFile(image, 64ll << 20));
    std::vector<std::string> argv = {"sgdisk", "-U", "11111111-2222-3333-4444-555555555555"};
    const char* types[] = {"ef00", "0c01", "0700", "2700", "8300", "8200", "0700", "8300", "0700", "8300"};
    for (int i = 0; i < 10; ++i) {
        const int n = i + 1;
        const int64_t start = 2048 + int64_t(i) * 10240;
        argv.push_back("-n");
        argv.push_back(std::to_string(n) + ":" + std::to_string(start) + ":" + std::to_string(start + 8191));
        argv.push_back("-t");
        argv.push_back(std::to_string(n) + ":" + types[i]);
        argv.push_back("-c");
        argv.push_back(std::to_string(n) + ":part " + std::to_string(n));
    }
    argv.push_back("-A");
    argv.push_back("7:set:62"); // hidden
    argv.push_back("-A");
    argv.push_back("9:set:60"); // read-only
    argv.push_back(image);
    const ToolResult r = RunTool(argv);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return image;
}

bool CopyInto(const std::string& source, const std::string& image, int64_t offset)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(image.c_str(), O_WRONLY | O_CLOEXEC);
    bool ok = in >= 0 && out >= 0;
    const off_t end = ok ? ::lseek(in, 0, SEEK_END) : 0;
    std::vector<char> buffer(1 << 20);
    off_t pos = 0;
    while (ok && pos < end) {
        off_t data = ::lseek(in, pos, SEEK_DATA);
        if (data < 0)
            break;
        off_t hole = ::lseek(in, data, SEEK_HOLE);
        for (off_t p = data; ok && p < hole;) {
            const size_t n = size_t(std::min<off_t>(off_t(buffer.size()), hole - p));
            ok = ::pread(in, buffer.data(), n, p) == ssize_t(n) &&
                 ::pwrite(out, buffer.data(), n, offset + p) == ssize_t(n);
            p += off_t(n);
        }
        pos = hole;
    }
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

} // namespace TableFixtures
