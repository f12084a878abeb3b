#include "tools/publish/PublishCommandLine.h"

#include <getopt.h>

#include <cstddef>
#include <map>

namespace yeroup::tools {

namespace {

enum TOption : int { kHelp = 'h', kVersion = 'V', kKey = 256, kExpiresDays, kRetireOld };

// The commands, their operands and the options each takes.
struct TCommandShape {
    std::size_t operands;
    std::vector<int> options;
};
const std::map<std::string, TCommandShape>& Commands() {
    static const std::map<std::string, TCommandShape> commands{
        {"build", {2, {}}},
        {"sign", {2, {kExpiresDays}}},
        {"check", {1, {kKey}}},
        {"rotate", {3, {kRetireOld}}},
    };
    return commands;
}

// Each option the command does not take, and the operand count.
void CheckShape(const TPublishCommandLine& line, const std::vector<int>& given, const TCommandShape& shape) {
    static const std::map<int, const char*> names{
        {kKey, "--key"}, {kExpiresDays, "--expires-days"}, {kRetireOld, "--retire-old"}};
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
        case ':': throw EUsageError("the option '" + arg + "' needs a value");
        default: throw EUsageError("unknown option '" + arg + "'");
        }
        if (c == kKey || c == kExpiresDays || c == kRetireOld) given.push_back(c);
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
    return line;
}

std::string PublishHelpText() {
    return std::string(
               "Usage: yeroup-publish build SOURCE SITE\n"
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
               "sign   checks SITE as build left it (every package the catalogue lists, with its size, extracted as\n"
               "       build extracts it; no package it does not list), then signs the catalogue and every package\n"
               "       with the minisign secret key KEY (as `minisign -G` writes it), beside each file as\n"
               "       <file>.minisig; a fault is named and then nothing is signed. The catalogue's signature expires\n"
               "       after N days (default ") +
           std::to_string(kDefaultExpiryDays) + "). The password of an encrypted key comes from $" + kPasswordVariable +
           ", else a line of\n"
           "       the standard input (asked for on a terminal).\n"
           "check  reads the live site at HOST (host[:port], http://host[:port] or https://host[:port], no path) as\n"
           "       the program does, through the environment's proxy and with $YEROUP_CA_FILE, and prints each\n"
           "       problem on a line; with --key, signatures are checked with the minisign public keys in PUB.\n"
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
