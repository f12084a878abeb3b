#include "tools/publish/PublishCommandLine.h"

#include <getopt.h>

#include <algorithm>
#include <cstddef>
#include <map>

#include "app/core/Limits.h"
#include "app/download/MirrorList.h"

namespace yeroup::tools {

namespace {

enum TOption : int { kHelp = 'h', kVersion = 'V', kKey = 256, kExpiresDays, kRetireOld, kMirror };

// The commands, their operands and the options each takes.
struct TCommandShape {
    std::size_t operands;
    std::vector<int> options;
};
const std::map<std::string, TCommandShape>& Commands() {
    static const std::map<std::string, TCommandShape> commands{
        {"build", {2, {kMirror}}},
        {"sign", {2, {kExpiresDays}}},
        {"check", {1, {kKey}}},
        {"rotate", {3, {kRetireOld}}},
    };
    return commands;
}

// Each option the command does not take, and the operand count.
void CheckShape(const TPublishCommandLine& line, const std::vector<int>& given, const TCommandShape& shape) {
    static const std::map<int, const char*> names{
        {kKey, "--key"}, {kExpiresDays, "--expires-days"}, {kRetireOld, "--retire-old"}, {kMirror, "--mirror"}};
    for (const int option : given) {
        bool taken = false;
        for (const int allowed : shape.options) taken = taken || allowed == option;
        if (!taken)
            throw EUsageError(std::string("the option ") + names.at(option) + " is not one of " + line.command + "'s");
    }
    if (line.operands.size() < shape.operands)
        throw EUsageError(line.command + " needs " + std::to_string(shape.operands) + " operands, not " +
                          std::to_string(line.operands.size()));
    if (line.operands.size() > shape.operands)
        throw EUsageError("unexpected operand '" + line.operands[shape.operands] + "'");
}

// Each mirror one the program can use, once, and no more than it reads.
void CheckMirrors(const std::vector<std::string>& mirrors) {
    for (auto mirror = mirrors.begin(); mirror != mirrors.end(); ++mirror) {
        if (const std::string fault = app::MirrorHostFault(*mirror); !fault.empty())
            throw EUsageError("the mirror '" + *mirror + "' cannot be used: " + fault);
        if (std::find(mirrors.begin(), mirror, *mirror) != mirror)
            throw EUsageError("the mirror '" + *mirror + "' is given twice");
    }
    if (mirrors.size() > app::limits::kMaxMirrors)
        throw EUsageError("at most " + std::to_string(app::limits::kMaxMirrors) + " mirrors, not " +
                          std::to_string(mirrors.size()));
}

}  // namespace

TPublishCommandLine ParsePublishCommandLine(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    static const option kLongOptions[] = {{"help", no_argument, nullptr, kHelp},
                                          {"version", no_argument, nullptr, kVersion},
                                          {"key", required_argument, nullptr, kKey},
                                          {"expires-days", required_argument, nullptr, kExpiresDays},
                                          {"retire-old", no_argument, nullptr, kRetireOld},
                                          {"mirror", required_argument, nullptr, kMirror},
                                          {nullptr, 0, nullptr, 0}};
    TPublishCommandLine line;
    std::vector<int> given;  // the command's own options
    opterr = 0;              // the messages are this tool's own, one line each
    optind = 0;              // a fresh scan (GNU): the parser may run more than once in a process
    const int argc = static_cast<int>(args.size());
    for (int c; (c = ::getopt_long(argc, argv.data(), ":hV", kLongOptions, nullptr)) != -1;) {
        const std::string arg = argv[static_cast<std::size_t>(optind - 1)];
        switch (c) {
        case kHelp: line.help = true; break;
        case kVersion: line.version = true; break;
        case kKey: line.key = optarg; break;
        case kExpiresDays: line.expiresDays = optarg; break;
        case kRetireOld: line.retireOld = true; break;
        case kMirror: line.mirrors.emplace_back(optarg); break;
        case ':': throw EUsageError("the option '" + arg + "' needs a value");
        default: throw EUsageError("unknown option '" + arg + "'");
        }
        if (c == kKey || c == kExpiresDays || c == kRetireOld || c == kMirror) given.push_back(c);
    }
    if (line.help || line.version) return line;
    // getopt_long has moved the operands behind the options in argv (not in args).
    for (int i = optind; i < argc; ++i) line.operands.push_back(argv[static_cast<std::size_t>(i)]);
    if (line.operands.empty()) throw EUsageError("no command given");
    line.command = line.operands.front();
    line.operands.erase(line.operands.begin());
    const auto shape = Commands().find(line.command);
    if (shape == Commands().end()) throw EUsageError("unknown command '" + line.command + "'");
    CheckShape(line, given, shape->second);
    CheckMirrors(line.mirrors);
    return line;
}

std::string PublishHelpText() {
    return std::string(
               "Usage: yeroup-publish build [--mirror HOST]... SOURCE SITE\n"
               "       yeroup-publish sign [--expires-days N] SITE KEY\n"
               "       yeroup-publish check [--key PUB] HOST\n"
               "       yeroup-publish rotate [--retire-old] SITE OLDKEY NEWKEY\n"
               "The vendor's side of the update site. Options may come before or after the operands.\n\n"
               "build  writes the update site from its source folder into SITE (replaced whole): the catalogue\n"
               "       YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini in code page 936, the home page, and each firmware's\n"
               "       page (.asp) and package (.zip) at YEROMP3LiveUpdate/Firmware/<model>/<model>_<firmware>, names\n"
               "       in code page 936 as the program asks for them. Every package is extracted as the program would;\n"
               "       a name that code page 936 cannot hold, a damaged package or an entry that would not land as it\n"
               "       should is an error, and then nothing is written. The source: see man yeroup-publish.\n"
               "       Each --mirror HOST (written as for check, repeatable) names a host serving the same files: they\n"
               "       go into YEROMP3LiveUpdate/mirrors.txt in the order given, which the program tries after the\n"
               "       host its user set. Without --mirror the site has no mirror list.\n"
               "sign   checks SITE as build left it (every package the catalogue lists, with its size, extracted as\n"
               "       build extracts it; no package it does not list; a piece list that still matches its package; a\n"
               "       mirror list that reads), then writes each package's piece list (<package>.pieces: its size and\n"
               "       the SHA-256 of each 1 MiB piece) and signs the catalogue, the mirror list, every package and\n"
               "       every piece list with the minisign secret key KEY (as `minisign -G` writes it), beside each file\n"
               "       as <file>.minisig; a fault is named and then nothing is signed. The signatures of the catalogue\n"
               "       and the mirror list expire after N days (default ") +
           std::to_string(kDefaultExpiryDays) + "). The password of an encrypted key comes from $" + kPasswordVariable +
           ", else a line of\n"
           "       the standard input (asked for on a terminal).\n"
           "check  reads the live site at HOST (host[:port], http://host[:port] or https://host[:port], no path) as\n"
           "       the program does, through the environment's proxy and with $YEROUP_CA_FILE, and prints each\n"
           "       problem on a line; with --key, signatures and piece lists are checked with the minisign public\n"
           "       keys in PUB. Then every host of the site's mirror list is read alike: each file that differs\n"
           "       from HOST's or is missing is named.\n"
           "rotate moves SITE from the secret key OLDKEY to NEWKEY: writes YEROMP3LiveUpdate/key-rotation.txt, naming\n"
           "       the new public key (and, with --retire-old, that the old one is no longer trusted), signed by both\n"
           "       keys. The program, trusting the old key, trusts the new one from its next catalogue refresh. Then\n"
           "       sign the site with NEWKEY (and run rotate again after each build, which replaces the site). The\n"
           "       passwords come from $" +
           kPasswordVariable + " and $" + kNewPasswordVariable +
           ",\n"
           "       else from two lines of the standard input.\n\n"
           "  -h, --help     print this help and exit\n"
           "  -V, --version  print the version and exit\n\n"
           "Exit status: 0 done (check: the site is clean), 1 faults found, 2 wrong arguments or the check could not "
           "run.\n";
}

}  // namespace yeroup::tools
