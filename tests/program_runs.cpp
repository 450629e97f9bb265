#include "program_runs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

const char* const kFieldweaver = FIELDWEAVER_PATH;
const char* const kFramehalver = FRAMEHALVER_PATH;

std::string frame_name(long long n, const char* extension) {
    char name[64];
    std::snprintf(name, sizeof name, "im%05lld%s", n, extension);
    return name;
}

void Sequence::add_frames(int first, int last, int width, int height) {
    std::vector<uint8_t> palette = random_bytes(768, 99);
    for (int n = first; n <= last; ++n) {
        std::vector<uint8_t> indices = random_bytes(static_cast<size_t>(width) * height,
                                                    static_cast<uint32_t>(n) + 1000);
        write_gif(dir / frame_name(n, ".gif"), width, height, indices, palette);
    }
}

std::vector<uint8_t> Sequence::frame_rgb(int n) const {
    int w = 0, h = 0;
    return decode_gif_with_giflib(dir / frame_name(n, ".gif"), &w, &h);
}

std::vector<std::string> Sequence::gifs_and(std::vector<std::string> extra) const {
    std::vector<std::string> names;
    for (const std::string& f : files())
        if (f.size() > 4 && f.compare(f.size() - 4, 4, ".gif") == 0) names.push_back(f);
    names.insert(names.end(), extra.begin(), extra.end());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Sequence::first_stray(int width, int height, size_t* tiffs) const {
    *tiffs = 0;
    for (const std::string& name : files()) {
        std::string ext = name.size() > 4 ? name.substr(name.size() - 4) : "";
        if (ext == ".gif") continue;
        if (ext != ".tif") return name + ": left behind";
        TiffPicture picture;
        if (!read_tiff(dir / name, &picture)) return name + ": not a complete TIFF";
        if (width && (picture.width != width || picture.height != height))
            return name + ": " + std::to_string(picture.width) + " x " + std::to_string(picture.height);
        ++*tiffs;
    }
    return "";
}

ProcessResult Sequence::run(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& env) const {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = run_process(argv, dir.path, env);
    r.err = from_console_text(r.err);
    return r;
}

void make_program_tree(ProgramTree* tree, const std::string& program, const std::string& root,
                       const std::vector<std::pair<std::string, std::string>>& stubs) {
    namespace fs = std::filesystem;
    fs::path from = fs::path(program).parent_path();
    fs::path helpers = from / ".." / "libexec" / "frametools";
    tree->root = tree->dir / root;
    fs::create_directories(fs::path(tree->root) / "bin");
    fs::create_directories(fs::path(tree->root) / "libexec" / "frametools");
    tree->program = (fs::path(tree->root) / "bin" / fs::path(program).filename()).string();
    fs::copy_file(program, tree->program);
    for (const fs::directory_entry& helper : fs::directory_iterator(helpers))
        fs::copy_file(helper.path(), fs::path(tree->root) / "libexec" / "frametools" / helper.path().filename());
    for (const auto& stub : stubs) {
        fs::path path = fs::path(tree->root) / "libexec" / "frametools" / stub.first;
        fs::remove(path);
        write_script(path.string(), stub.second);
    }
}
