// Appends a compiled catalogue to a program file, writes the table of appended files after it and
// patches the table's offset into the program's anchor constant. Run after every link, so the
// program carries its German texts wherever it is copied or installed.
//
// Usage: AppendCatalogue <program> <catalogue.mo> <name relative to the program's folder>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
const std::string Mark = "6637DB2E-62E1-4A60-AC19-C23867046A89";
constexpr std::size_t AnchorSize = 44;
constexpr std::size_t EntrySize = 256;
constexpr std::size_t EntryHeadSize = 24;

using Bytes = std::vector<unsigned char>;

bool readFile(const std::string &path, Bytes &bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

std::uint64_t get64(const Bytes &bytes, std::size_t at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[at + std::size_t(i)];
    return value;
}

void put64(Bytes &bytes, std::size_t at, std::uint64_t value)
{
    for (std::size_t i = 0; i < 8; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "AppendCatalogue: %s\n", message.c_str());
    return 1;
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 4)
        return fail("usage: AppendCatalogue <program> <catalogue.mo> <name>");
    const std::string program = argv[1];
    Bytes image, catalogue;
    if (!readFile(program, image))
        return fail("cannot read " + program);
    if (!readFile(argv[2], catalogue))
        return fail(std::string("cannot read ") + argv[2]);
    std::string name = argv[3];
    std::replace(name.begin(), name.end(), '/', '\\');
    if (name.size() > EntrySize - EntryHeadSize)
        return fail("name too long: " + name);

    const auto first = std::search(image.begin(), image.end(), Mark.begin(), Mark.end());
    if (first == image.end())
        return fail("no anchor in " + program);
    if (std::search(first + 1, image.end(), Mark.begin(), Mark.end()) != image.end())
        return fail("more than one anchor in " + program);
    const std::size_t anchor = std::size_t(first - image.begin());
    if (anchor + AnchorSize > image.size())
        return fail("anchor cut off in " + program);

    // A program that already carries files loses them first: its image ends where the first one begins.
    const std::uint64_t oldTable = get64(image, anchor + Mark.size());
    if (oldTable != 0) {
        if (oldTable + EntryHeadSize > image.size())
            return fail("the old table lies outside " + program);
        const std::uint64_t imageEnd = get64(image, std::size_t(oldTable) + 8);
        if (imageEnd > image.size() || imageEnd <= anchor + AnchorSize)
            return fail("the old table of " + program + " is damaged");
        image.resize(std::size_t(imageEnd));
    }

    const std::uint64_t catalogueOffset = image.size();
    image.insert(image.end(), catalogue.begin(), catalogue.end());
    image.resize((image.size() + 7) / 8 * 8, 0);
    const std::uint64_t table = image.size();
    image.resize(image.size() + EntrySize + 8, 0);
    put64(image, std::size_t(table), table + EntrySize);
    put64(image, std::size_t(table) + 8, catalogueOffset);
    put64(image, std::size_t(table) + 16, catalogue.size());
    std::fill(image.begin() + std::ptrdiff_t(table + EntryHeadSize), image.begin() + std::ptrdiff_t(table + EntrySize),
              ' ');
    std::copy(name.begin(), name.end(), image.begin() + std::ptrdiff_t(table + EntryHeadSize));
    put64(image, anchor + Mark.size(), table);

    std::ofstream out(program, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(image.data()), std::streamsize(image.size()));
    out.close();
    if (!out)
        return fail("cannot write " + program);
    return 0;
}
