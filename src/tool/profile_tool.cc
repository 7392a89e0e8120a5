#include "tool/profile_tool.h"

#include <map>
#include <random>

#include "output/error_lines.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "sap/stored_password.h"
#include "sap/system_profile.h"

namespace {

constexpr const char kUsage[] =
    "Usage:\n"
    "  brindlemark-profile scramble [--offset N] PASSWORD\n"
    "      Prints the stored form of PASSWORD for the Password line of a\n"
    "      system profile (24 characters). --offset N (0 to 9) fixes the key\n"
    "      offset; without it one is chosen at random.\n"
    "  brindlemark-profile new --destination D --client C --user U --password P\n"
    "      [--language L] [--mode M] [--host H] [--sysnr N] [--gwhost G]\n"
    "      [--gwservice S] [--extcompany E] [--offset N]\n"
    "      Prints a complete system profile. Defaults: --language E,\n"
    "      --mode R/3, --sysnr 00, --gwhost the --host, --gwservice sapgw\n"
    "      followed by the system number, --extcompany SAP. An R/3 profile\n"
    "      needs --host; an R/2 profile needs --gwhost or --host.\n"
    "  brindlemark-profile check PROFILE\n"
    "      Reads PROFILE as the sensor does and prints OK or the sensor's\n"
    "      error message.\n"
    "  brindlemark-profile test PROFILE [PARAMETERS]\n"
    "      Run in the sensor directory: does what the sensor does with these\n"
    "      arguments, except printing its document and keeping the history, and\n"
    "      says at each step (profile, library, destination file, logon,\n"
    "      function modules, measurement) what happened. Ends with OK (exit\n"
    "      code 0) or the step that failed and what to do (exit code 1).\n"
    "  brindlemark-profile --help\n"
    "      Prints this text.\n"
    "A PASSWORD that begins with \"--\" is given after \"--\".\n";

/// The command line of one command: options with their values, and the
/// remaining arguments.
struct CommandLine {
  std::map<std::string, std::string> options;
  std::vector<std::string> operands;
};

/// Writes one error of the tool and returns its exit code.
int Fail(std::string* err, const std::string& message) {
  *err += "brindlemark-profile: " + message + "\n";
  return 2;
}

/// Splits |args| (from |first| on) into options and operands. Every option
/// takes a value, as "--name value" or "--name=value"; "--" ends the
/// options. Returns false with |problem| set on an unknown option or a
/// missing value.
bool ParseCommandLine(const std::vector<std::string>& args, size_t first,
                      const std::vector<std::string_view>& known, CommandLine* line,
                      std::string* problem) {
  bool optionsEnded = false;
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() <= 2 || arg.compare(0, 2, "--") != 0) {
      if (arg == "--" && !optionsEnded) {
        optionsEnded = true;
        continue;
      }
      line->operands.push_back(arg);
      continue;
    }
    std::string name = arg.substr(2);
    std::string value;
    bool hasValue = false;
    size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
      hasValue = true;
    }
    bool isKnown = false;
    for (std::string_view k : known) isKnown = isKnown || k == name;
    if (!isKnown) {
      *problem = "unknown option --" + name + "; see brindlemark-profile --help";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        *problem = "option --" + name + " needs a value (--" + name + " VALUE)";
        return false;
      }
      value = args[++i];
    }
    line->options[name] = value;
  }
  return true;
}

/// Reads the value of --offset. Returns false when it is not one digit.
bool ParseOffset(const std::string& text, int* offset) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return false;
  *offset = text[0] - '0';
  return true;
}

/// A key offset chosen at random.
int RandomOffset() {
  std::random_device device;
  return static_cast<int>(device() % (kMaxPasswordOffset + 1));
}

/// Scrambles |password| for the Password line, with the offset of
/// |options| or a random one. On failure writes the error and returns false.
bool ScrambleForTool(const std::string& password, const CommandLine& line, std::string* stored,
                     std::string* err) {
  if (password.size() > kMaxPasswordLength) {
    Fail(err, "the password has " + std::to_string(password.size()) +
                  " characters; a stored password holds at most 20. "
                  "Choose a shorter password");
    return false;
  }
  if (password.size() < 2) {
    Fail(err,
         "the password must have at least 2 characters, or the sensor "
         "rejects the profile. Choose a longer password");
    return false;
  }
  auto fixed = line.options.find("offset");
  ScrambleResult result;
  if (fixed != line.options.end()) {
    int offset = 0;
    if (!ParseOffset(fixed->second, &offset)) {
      Fail(err, "bad offset '" + fixed->second + "': --offset takes a number from 0 to 9");
      return false;
    }
    result = ScramblePassword(password, offset, stored);
    if (result == ScrambleResult::kForbiddenByte) {
      Fail(err, "with offset " + fixed->second +
                    " the stored password would hold a line end, Ctrl-Z, NUL "
                    "or blank; give another --offset or leave --offset out");
      return false;
    }
  } else {
    result = ScramblePasswordAnyOffset(password, RandomOffset(), stored);
  }
  if (result != ScrambleResult::kOk) {
    Fail(err,
         "this password cannot be stored with any key offset (its "
         "stored form would hold a line end, Ctrl-Z, NUL or blank); "
         "choose another password");
    return false;
  }
  return true;
}

int Scramble(const std::vector<std::string>& args, std::string* out, std::string* err) {
  CommandLine line;
  std::string problem;
  if (!ParseCommandLine(args, 1, {"offset"}, &line, &problem)) return Fail(err, problem);
  if (line.operands.size() != 1)
    return Fail(err,
                "scramble takes one password: brindlemark-profile "
                "scramble [--offset N] PASSWORD");
  std::string stored;
  if (!ScrambleForTool(line.operands[0], line, &stored, err)) return 2;
  *out += stored + "\n";
  return 0;
}

/// An option of the new command and the key line it becomes.
struct NewOption {
  std::string_view name;
  std::string SystemProfile::*field;
  std::string_view meaning;  // for messages: what to give
};

constexpr NewOption kNewOptions[] = {
    {"extcompany", &SystemProfile::extcompany, "a company label"},
    {"destination", &SystemProfile::destination, "the RFC destination"},
    {"client", &SystemProfile::client, "the SAP client, such as 100"},
    {"user", &SystemProfile::user, "the SAP user to log on with"},
    {"password", &SystemProfile::password, "the user's password"},
    {"language", &SystemProfile::language, "the logon language, such as E"},
    {"mode", &SystemProfile::mode, "R/3 or R/2"},
    {"host", &SystemProfile::hostname, "the application server host"},
    {"sysnr", &SystemProfile::sysnr, "the system number, such as 00"},
    {"gwhost", &SystemProfile::gwhost, "the gateway host"},
    {"gwservice", &SystemProfile::gwservice, "the gateway service, such as sapgw00"},
};

const NewOption& OptionOfField(std::string SystemProfile::*field) {
  for (const NewOption& option : kNewOptions)
    if (option.field == field) return option;
  return kNewOptions[0];
}

/// Checks what the new command was given: every required option, and
/// values that fit on a key line. Returns the problem, or an empty text.
std::string CheckNewOptions(const CommandLine& line) {
  if (!line.operands.empty())
    return "new takes only options, not '" + line.operands[0] + "'; see brindlemark-profile --help";
  for (std::string_view required : {"destination", "client", "user", "password"}) {
    if (line.options.count(std::string(required)) != 0) continue;
    for (const NewOption& option : kNewOptions)
      if (option.name == required)
        return "missing option --" + std::string(required) + ": give " +
               std::string(option.meaning) + " with --" + std::string(required) + " VALUE";
  }
  for (const auto& [name, value] : line.options) {
    // The password's own limits are checked where it is scrambled.
    if (name == "offset" || name == "password") continue;
    if (value.find_first_of("\r\n\x1a") != std::string::npos)
      return "the value of --" + name + " holds a line end or Ctrl-Z; give it on one line";
    if (value.size() > kMaxProfileValue)
      return "the value of --" + name + " has " + std::to_string(value.size()) +
             " characters; the sensor reads at most 60. Shorten it";
  }
  return std::string();
}

/// The profile the options describe, with the defaults for the options not
/// given. An R/3 profile needs a host; an R/2 profile a host or a gateway
/// host, each standing in for the other. Returns the problem, or an empty
/// text.
std::string ProfileOfOptions(const CommandLine& line, SystemProfile* profile) {
  auto given = [&](std::string_view name) -> const std::string* {
    auto it = line.options.find(std::string(name));
    return it == line.options.end() ? nullptr : &it->second;
  };
  for (const NewOption& option : kNewOptions)
    if (const std::string* value = given(option.name)) profile->*option.field = *value;
  if (!given("language")) profile->language = "E";
  if (!given("mode")) profile->mode = "R/3";
  if (!given("sysnr")) profile->sysnr = "00";
  if (!given("gwservice")) profile->gwservice = "sapgw" + profile->sysnr;
  if (!given("extcompany")) profile->extcompany = "SAP";
  const bool r2 = profile->mode == "R/2";
  if (!given("host") && !(r2 && given("gwhost")))
    return r2 ? "missing option --gwhost: give the gateway host with --gwhost HOST"
              : "missing option --host: give the application server host with --host HOST";
  if (!given("host")) profile->hostname = profile->gwhost;
  if (!given("gwhost")) profile->gwhost = profile->hostname;
  profile->user = UpperCased(profile->user);
  profile->hostLabel = profile->hostname;

  for (const ProfileKeyEntry& entry : kProfileKeys) {
    const std::string& value = profile->*entry.field;
    if (value.size() >= entry.minimumLength || entry.field == &SystemProfile::password) continue;
    const NewOption& option = OptionOfField(entry.field);
    return "--" + std::string(option.name) + " '" + value +
           "' is too short: the sensor needs at least " + std::to_string(entry.minimumLength) +
           " characters (" + std::string(option.meaning) + ")";
  }
  return std::string();
}

/// The key lines of |profile|, one per key in their written order, with
/// the password in its stored form |stored|.
std::string ProfileText(const SystemProfile& profile, const std::string& stored) {
  std::string text;
  for (const ProfileKeyEntry& entry : kProfileKeys) {
    text += entry.key;
    text += ' ';
    text += entry.field == &SystemProfile::password ? stored : profile.*entry.field;
    text += '\n';
  }
  return text;
}

int New(const std::vector<std::string>& args, std::string* out, std::string* err) {
  std::vector<std::string_view> known = {"offset"};
  for (const NewOption& option : kNewOptions) known.push_back(option.name);
  CommandLine line;
  std::string problem;
  if (!ParseCommandLine(args, 1, known, &line, &problem)) return Fail(err, problem);
  problem = CheckNewOptions(line);
  if (!problem.empty()) return Fail(err, problem);
  SystemProfile profile;
  problem = ProfileOfOptions(line, &profile);
  if (!problem.empty()) return Fail(err, problem);

  std::string stored;
  if (!ScrambleForTool(profile.password, line, &stored, err)) return 2;
  std::string text = ProfileText(profile, stored);

  // The profile must read back, as the sensor reads it, to what was asked.
  SystemProfile check;
  ProfileFault fault = ParseSystemProfile(text, &check, nullptr, true);
  bool same = fault == ProfileFault::kNone;
  for (const ProfileKeyEntry& entry : kProfileKeys)
    same = same && check.*entry.field == profile.*entry.field;
  if (!same)
    return Fail(err, "the profile would not read back as given (" +
                         ProfileFaultMessage(fault, "new") + "); check the values");
  *out += text;
  return 0;
}

int Check(const std::vector<std::string>& args, std::string* out, std::string* err,
          FileSystem& disk) {
  CommandLine line;
  std::string problem;
  if (!ParseCommandLine(args, 1, {}, &line, &problem)) return Fail(err, problem);
  if (line.operands.size() != 1)
    return Fail(err, "check takes one profile file: brindlemark-profile check PROFILE");
  const std::string& path = line.operands[0];
  const std::string name = ProfileNameOfPath(path);
  std::string contents;
  if (!disk.ReadFile(path, &contents)) {
    *out += ProfileMissingMessage(name) + "\n";
    return 2;
  }
  SystemProfile profile;
  ProfileLineTable lines;
  ProfileFault fault = ParseSystemProfile(contents, &profile, &lines, true);
  if (fault != ProfileFault::kNone) {
    *out += ProfileFaultMessage(fault, name) + "\n";
    return 2;
  }
  *out += "OK\n";
  return 0;
}

}  // namespace

std::string ProfileNameOfPath(std::string_view path) {
  size_t cut = path.find_last_of("/\\:");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

int RunProfileTool(const std::vector<std::string>& args, std::string* out, std::string* err,
                   FileSystem& disk) {
  if (args.empty()) {
    *err += kUsage;
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    *out += kUsage;
    return 0;
  }
  if (command == "scramble") return Scramble(args, out, err);
  if (command == "new") return New(args, out, err);
  if (command == "check") return Check(args, out, err, disk);
  return Fail(err, "unknown command '" + command +
                       "'; the commands are scramble, new, check and test "
                       "(see brindlemark-profile --help)");
}
