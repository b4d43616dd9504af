#include "source/SuggestRules.h"

#include <algorithm>
#include <string>

#include "platform/Bytes.h"

namespace polyverb {
namespace {

// ---- the shape of a text ----

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80;
}
bool IsLower(char c) {
  return c >= 'a' && c <= 'z';
}
bool IsUpper(char c) {
  return c >= 'A' && c <= 'Z';
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool HasBlank(std::string_view s) {
  return std::any_of(s.begin(), s.end(), IsBlank);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

// The blank-separated words of a word list.
std::vector<std::string_view> WordsOf(std::string_view list) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < list.size()) {
    const std::size_t end = std::min(list.find(' ', i), list.size());
    if (end > i) words.push_back(list.substr(i, end - i));
    i = end + 1;
  }
  return words;
}

bool InWords(std::string_view word, std::string_view list) {
  const std::vector<std::string_view> words = WordsOf(list);
  return std::find(words.begin(), words.end(), word) != words.end();
}

// The text with format specifiers (%s, %d, %2:s, %-10.2f, %.*d) taken out.
std::string WithoutFormats(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '%') {
      out += s[i];
      continue;
    }
    std::size_t j = i + 1;
    if (j < s.size() && s[j] == '%') {
      i = j;
      continue;
    }
    while (j < s.size() &&
           (IsAsciiDigit(s[j]) || s[j] == ':' || s[j] == '-' || s[j] == '.' || s[j] == '*'))
      ++j;
    if (j < s.size() && Contains("dDuUeEfFgGnNmMpPsSxX", std::string_view(&s[j], 1))) {
      out += ' ';
      i = j;
    } else {
      out += s[i];
    }
  }
  return out;
}

// Runs of letters (bytes from 0x80 count as letters) of at least two letters.
std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < s.size()) {
    if (!IsLetter(s[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < s.size() && IsLetter(s[j])) ++j;
    if (j - i >= 2) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

std::size_t WordCount(std::string_view s) {
  return Words(WithoutFormats(s)).size();
}

// Blank-separated pieces of the text.
std::vector<std::string_view> Pieces(std::string_view s) {
  std::vector<std::string_view> pieces;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !IsBlank(s[j])) ++j;
    if (j > i) pieces.push_back(s.substr(i, j - i));
    i = j;
  }
  return pieces;
}

bool IsSwitch(std::string_view piece) {
  return piece.size() >= 2 && piece[0] == '-' &&
         (IsLetter(piece[1]) || piece[1] == '-' || piece[1] == '?');
}

// One piece with no blank that is more than a plain word: a name with digits, "_", ".",
// ":", "-", slashes or brackets inside, or in camel case ("UsageEntry", "line-number",
// "utf8", "xs:encoding", "Count<>RealCount"). Closing punctuation (ERROR:, Done.) is not
// counted.
bool IsNameLike(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || HasBlank(t)) return false;
  while (t.size() > 1 && Contains(".:!?,;", t.substr(t.size() - 1))) t.remove_suffix(1);
  bool letter = false;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (IsLetter(c)) {
      letter = true;
      if (i > 0 && IsUpper(c) && IsLower(t[i - 1])) return true;  // camel case
      if (i > 0 && IsAsciiDigit(t[i - 1])) return true;
      continue;
    }
    if (IsAsciiDigit(c)) {
      if (i > 0 && IsLetter(t[i - 1])) return true;
      continue;
    }
    if (c == '\'') continue;                                           // don't
    if (c == '&' && i + 1 < t.size() && IsLetter(t[i + 1])) continue;  // &Open: a hot key
    return letter || i + 1 < t.size();
  }
  return false;
}

bool IsUrl(std::string_view text) {
  const std::string t = AsciiLowerCase(Trim(text));
  return Contains(t, "://") || StartsWith(t, "www.") || StartsWith(t, "mailto:") ||
         StartsWith(t, "http:") || StartsWith(t, "https:");
}

bool IsExtensionChar(char c) {
  return IsLetter(c) || IsAsciiDigit(c) || c == '~' || c == '$';
}

bool IsPath(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty()) return false;
  // A drive ("C:\...") or a root ("\\server", "/usr") may be followed by names with blanks.
  if (t.size() >= 3 && IsLetter(t[0]) && t[1] == ':' && (t[2] == '\\' || t[2] == '/')) return true;
  if (HasBlank(t)) return false;
  if (Contains(t, "\\") || Contains(t, "/")) return true;
  if (Contains(t, "*.") || Contains(t, "?.") || t == "*") return true;
  // name.ext or .ext: one to four characters after the last dot
  const std::size_t dot = t.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == t.size() || t.size() - dot - 1 > 4) return false;
  for (std::size_t i = dot + 1; i < t.size(); ++i)
    if (!IsExtensionChar(t[i])) return false;
  return IsLetter(t[dot + 1]);
}

bool IsSql(std::string_view text) {
  const std::string_view t = Trim(text);
  static constexpr std::string_view kStarts[] = {
      "SELECT", "INSERT",     "UPDATE",    "DELETE",   "CREATE", "DROP", "ALTER",
      "WHERE",  "FROM",       "ORDER BY",  "GROUP BY", "VALUES", "SET ", "EXECUTE",
      "GRANT",  "INNER JOIN", "LEFT JOIN", "AND ",     "OR "};
  for (std::string_view k : kStarts)
    if (StartsWith(t, k) && (t.size() == k.size() || !IsLetter(t[k.size()]))) return true;
  const std::string l = AsciiLowerCase(t);
  return (StartsWith(l, "select ") && Contains(l, " from ")) || StartsWith(l, "insert into ") ||
         StartsWith(l, "delete from ") || StartsWith(l, "create table ") ||
         StartsWith(l, "drop table ") || (StartsWith(l, "update ") && Contains(l, " set "));
}

bool IsMarkup(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.size() >= 2 && t[0] == '<' && (IsLetter(t[1]) || t[1] == '/' || t[1] == '!' || t[1] == '?'))
    return true;
  if (!t.empty() && t.back() == '>' && Contains(t, "<")) return true;
  if (Contains(t, "=\"") || Contains(t, "='")) return true;
  // An entity: &nbsp; &amp; &#160;
  const std::size_t amp = t.find('&');
  if (amp != std::string_view::npos) {
    std::size_t j = amp + 1;
    while (j < t.size() && (IsLetter(t[j]) || IsAsciiDigit(t[j]) || t[j] == '#')) ++j;
    if (j > amp + 1 && j < t.size() && t[j] == ';') return true;
  }
  return false;
}

// Source code in some language: a statement end, an assignment, a comment opener, a
// block brace, a list without blanks after its commas, a hexadecimal number, or a
// declaration keyword in lower case.
bool IsCode(std::string_view text) {
  const std::string_view t = Trim(text);
  if (t.empty()) return false;
  if (t.back() == ';' || t.front() == '}' || (Contains(t, "{") && Contains(t, "}"))) return true;
  if (t.size() >= 2 && t.back() == '{' && (IsBlank(t[t.size() - 2]) || t[t.size() - 2] == ')'))
    return true;
  for (std::string_view mark : {":=", "();", "/*", "*/", "(*", "->", "=>", "::", "0x"})
    if (Contains(t, mark)) return true;
  if (StartsWith(t, "//")) return true;
  for (std::size_t i = 1; i + 1 < t.size(); ++i)
    if (t[i] == ',' && !IsBlank(t[i + 1]) && !(IsAsciiDigit(t[i - 1]) && IsAsciiDigit(t[i + 1])))
      return true;
  std::size_t n = 0;
  while (n < t.size() && IsLower(t[n])) ++n;
  return n < t.size() && IsBlank(t[n]) && t.find_first_of("(:;=") != std::string_view::npos &&
         InWords(t.substr(0, n),
                 "procedure function type var const uses unit program interface implementation "
                 "class record property constructor destructor");
}

// Pieces that are all names with symbols in them, none a plain word: ".data .gnu.*".
bool IsNameList(std::string_view text) {
  const std::vector<std::string_view> pieces = Pieces(text);
  std::size_t names = 0;
  for (std::string_view p : pieces) {
    if (Words(p).empty()) continue;
    if (!IsNameLike(p)) return false;
    ++names;
  }
  return names >= 2;
}

// Words that only an internal error or a developer's aid uses.
bool HasDeveloperWords(std::string_view text) {
  const std::string t = AsciiLowerCase(text);
  for (std::string_view w : {"internal error", "not implemented", "not yet implemented",
                             "unknown opcode", "should not happen", "should never happen",
                             "cannot happen", "can't happen", "dump", "debug", "assertion"})
    if (Contains(t, w)) return true;
  return false;
}

// Only date and time pattern letters: yyyy-mm-dd hh:nn:ss, dd.mm.yy, am/pm.
bool IsDatePattern(std::string_view text) {
  const std::vector<std::string_view> runs = Words(text);
  if (runs.size() < 2) return false;
  for (std::string_view run : runs) {
    const std::string r = AsciiLowerCase(run);
    if (r == "am" || r == "pm" || r == "ampm") continue;
    if (!Contains("ymdhnsz", std::string_view(&r[0], 1))) return false;
    if (r.find_first_not_of(r[0]) != std::string::npos) return false;
  }
  return std::none_of(text.begin(), text.end(), [](char c) {
    return IsLetter(c) && !Contains("ymdhnszapYMDHNSZAP", std::string_view(&c, 1));
  });
}

// ---- names of calls and targets ----

// The last component of a dotted name, lower-cased; with `two`, the last two ("sql.add").
std::string Tail(std::string_view name, bool two) {
  std::size_t dot = name.rfind('.');
  if (two && dot != std::string_view::npos && dot > 0) dot = name.rfind('.', dot - 1);
  return AsciiLowerCase(dot == std::string_view::npos ? name : name.substr(dot + 1));
}

// The last component of a dotted name, as written.
std::string_view LastName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// `name` is in the word list `list`; a word with a dot names the last two components.
bool NameIn(std::string_view name, std::string_view list) {
  if (name.empty()) return false;
  const std::string one = Tail(name, false);
  const std::string two = Tail(name, true);
  for (std::string_view e : WordsOf(list))
    if (e == (Contains(e, ".") ? two : one)) return true;
  return false;
}

// Some word of `name` (NameParts) starts with a word of the list `prefixes`.
bool PartStarts(std::string_view name, std::string_view prefixes) {
  const std::vector<std::string_view> starts = WordsOf(prefixes);
  for (const std::string& part : NameParts(name))
    for (std::string_view p : starts)
      if (StartsWith(part, p)) return true;
  return false;
}

// Calls whose result is the text itself, more or less: the call around them counts.
constexpr std::string_view kPassThrough =
    "format pchar pansichar pwidechar string ansistring widestring trim trimleft "
    "trimright uppercase lowercase ansiuppercase ansilowercase concat utf8encode "
    "utf8decode utf8tosys systoutf8 utf8toansi ansitoutf8";

// The innermost enclosing call that is not a pass-through.
const TCallPlace* EffectiveCall(const TLiteralContext& c) {
  for (const TCallPlace& call : c.calls)
    if (!NameIn(call.name, kPassThrough)) return &call;
  return nullptr;
}

bool InnermostIn(const TLiteralContext& c, std::string_view list) {
  return !c.calls.empty() && NameIn(c.calls.front().name, list);
}

// Has a word of two letters or more: something a person could read.
bool Readable(const TLiteralContext& c) {
  return WordCount(c.text) >= 1;
}

// ---- word lists the rules use ----

constexpr std::string_view kDebugParts = "assert debug dbg trace dump log logger verbose internal";

constexpr std::string_view kKeyCalls =
    // INI files and the registry
    "readstring readinteger readbool readfloat readdate readdatetime readtime "
    "readbinarydata readsection readsections readsectionvalues writestring writeinteger "
    "writebool writefloat writedate writedatetime writetime writebinarydata erasesection "
    "deletekey valueexists sectionexists openkey openkeyreadonly createkey keyexists "
    "deletevalue getkeynames getvaluenames "
    // databases
    "fieldbyname findfield parambyname findparam locate lookup addfielddef execsql "
    "executedirect sql.add sql.append sql.insert "
    // classes, components, libraries, the environment, windows and resources
    "findcomponent registerclass registerclasses getclass findclass registercomponents "
    "registernoicon createoleobject getactiveoleobject getprocaddress "
    "getprocedureaddress loadlibrary safeloadlibrary getmodulehandle "
    "getenvironmentvariable getenv setenvironmentvariable findresource createdc "
    "registerclipboardformat registerwindowmessage findwindow createmutex createevent "
    "opensemaphore "
    // XML and JSON
    "getattribute setattribute hasattribute removeattribute createelement "
    "getelementsbytagname findnode selectnodes selectsinglenode createattribute addpair "
    "getpath findpath objects.add";

constexpr std::string_view kFileCalls =
    "loadfromfile savetofile fileexists directoryexists forcedirectories createdir "
    "removedir deletefile renamefile copyfile movefile assignfile assign fileopen "
    "filecreate findfirst expandfilename changefileext extractfilename extractfilepath "
    "extractfileext setcurrentdir chdir mkdir rmdir shellexecute shellexecutea "
    "shellexecutew winexec createprocess tfilestream.create tinifile.create "
    "tmeminifile.create tregistryinifile.create openurl opendocument "
    "includetrailingpathdelimiter includetrailingbackslash fileage filesetattr "
    "filegetattr getfileversion concatpaths loadfromresourcename";

constexpr std::string_view kPatternCalls =
    "formatdatetime formatfloat formatcurr datetimetostring formatmasktext";

constexpr std::string_view kCompareCalls =
    "sametext samestr comparetext comparestr ansisametext ansisamestr ansicomparetext "
    "ansicomparestr startstext startsstr endstext endsstr ansistartstext ansistartsstr "
    "ansiendstext ansiendsstr containstext containsstr ansicontainstext ansicontainsstr "
    "pos ansipos posex npos rpos startswith endswith contains indexof indexoftext "
    "matchtext matchstr ansimatchtext ansimatchstr ansiindextext ansiindexstr indextext "
    "indexstr stringreplace replacestr replacetext ansireplacestr ansireplacetext strpos "
    "strscan isstrinlist issametext samevalue wordposition extractword extractdelimited "
    "splitstring split exectregexpr execregexpr";

// Properties whose value is a name, path, key, pattern or query.
constexpr std::string_view kDataProperties =
    "filename initialdir defaultext filter databasename tablename sql.text commandtext "
    "connectionstring url host rootkey name classname font.name fontname helpfile "
    "helpkeyword helptopic editmask displayformat editformat dateformat timeformat "
    "shortdateformat longdateformat drivername libraryname protocol fieldname "
    "indexfieldnames indexname keyfields lookupkeyfields lookupresultfield masterfields "
    "mimetype contenttype method password username section key delimiter quotechar "
    "namevalueseparator linebreak extension directory path query selectsql insertsql "
    "updatesql deletesql refreshsql params.text options style";

constexpr std::string_view kMessageParts =
    "messag msg error warn hint prompt confirm alert notif inform status caption title "
    "fatal fail abort input question complain usage";

constexpr std::string_view kOutputRoutines = "write writeln print println printline echo puts say";

// Files a write to which goes to the console.
constexpr std::string_view kConsoleFiles = "output stdout stderr erroutput stdoutput";

// Calls that draw their text where a person sees it, or add it to a memo, list box or
// combo box.
constexpr std::string_view kDisplayCalls =
    "textout textrect drawtext drawtextex outtext outtextxy lines.add lines.insert "
    "lines.append items.add items.insert items.append tabs.add panels.add";

constexpr std::string_view kTextPropertyParts =
    "caption hint title label prompt description message msg status error warning text "
    "question header footer banner";

// ---- the rules' conditions ----

bool InTestCode(const TLiteralContext& c) {
  return c.test_code;
}

bool InDebugBlock(const TLiteralContext& c) {
  return c.debug_block;
}

bool DebugCall(const TLiteralContext& c) {
  for (const TCallPlace& call : c.calls) {
    if (PartStarts(call.name, kDebugParts)) return true;
    const std::vector<std::string> parts = NameParts(LastName(call.name));
    if (!parts.empty() && parts.front() == "check") return true;
  }
  return false;
}

bool InDebugRoutine(const TLiteralContext& c) {
  return PartStarts(LastName(c.routine), "debug dump");
}

// "TConfig.Load: no file", "BufPopItem: empty": a routine's name and a colon.
bool LocationPrefix(const TLiteralContext& c) {
  const std::string_view t = Trim(c.text);
  std::size_t n = 0;
  while (n < t.size() && (IsLetter(t[n]) || IsAsciiDigit(t[n]) || t[n] == '_' || t[n] == '.')) ++n;
  if (n == 0 || n >= t.size() || t[n] != ':' || (n + 1 < t.size() && !IsBlank(t[n + 1])))
    return false;
  const std::string_view name = t.substr(0, n);
  return Contains(name, ".") || Contains(name, "_") || NameParts(name).size() >= 2;
}

bool KeyCall(const TLiteralContext& c) {
  return InnermostIn(c, kKeyCalls);
}

bool FileCall(const TLiteralContext& c) {
  return InnermostIn(c, kFileCalls);
}

bool PatternCall(const TLiteralContext& c) {
  return InnermostIn(c, kPatternCalls) && c.calls.front().argument == 0;
}

bool CompareCall(const TLiteralContext& c) {
  return InnermostIn(c, kCompareCalls);
}

bool DataProperty(const TLiteralContext& c) {
  return c.calls.empty() && NameIn(c.target, kDataProperties);
}

bool Indexed(const TLiteralContext& c) {
  return !c.indexed.empty();
}

bool Compared(const TLiteralContext& c) {
  return c.compared;
}

bool CaseLabelOrRange(const TLiteralContext& c) {
  return c.case_label || c.range;
}

bool InBrackets(const TLiteralContext& c) {
  return c.in_brackets;
}

bool Url(const TLiteralContext& c) {
  return IsUrl(c.text);
}

bool Path(const TLiteralContext& c) {
  return IsPath(c.text);
}

bool Sql(const TLiteralContext& c) {
  return IsSql(c.text);
}

bool Markup(const TLiteralContext& c) {
  return IsMarkup(c.text);
}

bool Code(const TLiteralContext& c) {
  return IsCode(c.text);
}

// "  prog -e|--evaluate <STRING>": a switch with a placeholder for the user to fill in.
bool UsageLine(const TLiteralContext& c) {
  const std::vector<std::string_view> pieces = Pieces(c.text);
  const bool has_switch = std::any_of(pieces.begin(), pieces.end(), IsSwitch);
  const bool has_placeholder = std::any_of(pieces.begin(), pieces.end(), [](std::string_view p) {
    return p.size() > 2 && p.front() == '<' && p.back() == '>';
  });
  return has_switch && has_placeholder;
}

// Switches, possibly after a program name: nothing in it can be translated.
bool SwitchesOnly(const TLiteralContext& c) {
  std::size_t switches = 0;
  std::size_t words = 0;
  for (std::string_view p : Pieces(c.text)) {
    if (IsSwitch(p) || Contains(p, "|-"))
      ++switches;
    else
      words += Words(p).size();
  }
  return switches > 0 && words <= 1;
}

bool NameList(const TLiteralContext& c) {
  return IsNameList(c.text);
}

bool DeveloperWords(const TLiteralContext& c) {
  return HasDeveloperWords(c.text);
}

// 'Name':10 in a Write: a single word in a column of a table dump.
bool TableColumn(const TLiteralContext& c) {
  return c.width && WordCount(c.text) == 1;
}

// Add('Keywords', 'kwd'): a capitalised description followed by the lower-case value it
// stands for.
bool DescriptionOfPair(const TLiteralContext& c) {
  if (c.calls.empty() || c.calls.front().argument != 0 || c.next_literal.empty()) return false;
  const std::string_view t = Trim(c.text);
  if (t.empty() || !IsUpper(t[0]) || IsNameLike(t) || c.next_literal == c.text) return false;
  return std::none_of(c.next_literal.begin(), c.next_literal.end(), IsUpper);
}

bool NoWords(const TLiteralContext& c) {
  return !Readable(c);
}

bool DatePattern(const TLiteralContext& c) {
  return IsDatePattern(c.text);
}

bool NameLike(const TLiteralContext& c) {
  return IsNameLike(c.text);
}

bool MessageCall(const TLiteralContext& c) {
  const TCallPlace* call = EffectiveCall(c);
  return call != nullptr && PartStarts(call->name, kMessageParts) && Readable(c);
}

// Exception.Create('...'), EConvertError.CreateFmt(...), raise ...
bool ExceptionMessage(const TLiteralContext& c) {
  if (!Readable(c)) return false;
  if (c.raised) return true;
  const TCallPlace* call = EffectiveCall(c);
  if (call == nullptr || !StartsWith(Tail(call->name, false), "create")) return false;
  const std::string_view name = call->name;
  const std::size_t last = name.rfind('.');
  if (last == std::string_view::npos || last == 0) return false;
  const std::size_t before = name.rfind('.', last - 1);
  const std::size_t from = before == std::string_view::npos ? 0 : before + 1;
  const std::string_view owner = name.substr(from, last - from);
  const std::string lower = AsciiLowerCase(owner);
  return (owner.size() >= 2 && owner[0] == 'E' && IsUpper(owner[1])) ||
         Contains(lower, "exception") || Contains(lower, "error");
}

// Write, WriteLn, Print and the like, also with a one-letter prefix (CWriteLn); not
// WriteLine or WriteString, which write to streams, lists and files.
bool IsOutputRoutine(std::string_view name) {
  std::vector<std::string> parts = NameParts(LastName(name));
  if (parts.size() > 1 && parts.front().size() == 1) parts.erase(parts.begin());
  std::string joined;
  for (const std::string& p : parts) joined += p;
  return InWords(joined, kOutputRoutines);
}

bool ConsoleOutput(const TLiteralContext& c) {
  const TCallPlace* call = EffectiveCall(c);
  if (call == nullptr || !IsOutputRoutine(call->name) || !Readable(c)) return false;
  // WriteLn(F, ...) writes to a file, unless F is the console.
  if (call->argument > 0 && !call->first_arg.empty() && !InWords(call->first_arg, kConsoleFiles))
    return false;
  return true;
}

bool DisplayCall(const TLiteralContext& c) {
  const TCallPlace* call = EffectiveCall(c);
  return call != nullptr && NameIn(call->name, kDisplayCalls) && Readable(c);
}

bool TextProperty(const TLiteralContext& c) {
  if (c.target.empty() || !Readable(c)) return false;
  return PartStarts(LastName(c.target), kTextPropertyParts);
}

// Name + ' costs nothing': a phrase joined to values with +, a piece of a message built
// at run time. (A single word so joined is as often a keyword of generated code.)
bool JoinedPhrase(const TLiteralContext& c) {
  return c.joined && WordCount(c.text) >= 2 && HasBlank(Trim(c.text));
}

// A sentence or a phrase: three words or more, the first with a capital letter. Shorter
// texts and lower-case fragments without a text context are as often names, values or
// generated code.
bool Sentence(const TLiteralContext& c) {
  const std::string_view t = Trim(c.text);
  const auto first = std::find_if(t.begin(), t.end(), IsLetter);
  return WordCount(t) >= 3 && HasBlank(t) && first != t.end() && IsUpper(*first);
}

bool Always(const TLiteralContext&) {
  return true;
}

// ---- the table ----

// To add a rule: write its condition above and put one line here, where it should win
// over the rules after it. Conditions on the context come before conditions on the text
// alone, and rules that leave a literal before rules that mark one, so that a key or a
// debug message is left even when it reads like a sentence.
constexpr TSuggestRule kRules[] = {
    // Only a developer reads it.
    {TSuggest::kLeave, InTestCode, "test code: inputs, expected values and check messages"},
    {TSuggest::kLeave, InDebugBlock, "in a debug-only conditional block"},
    {TSuggest::kLeave, DebugCall, "an argument of an assertion, check, debug, trace or log call"},
    {TSuggest::kLeave, InDebugRoutine, "in a debug or dump routine"},
    {TSuggest::kLeave, LocationPrefix,
     "starts with a routine's name and a colon: an internal error"},
    {TSuggest::kLeave, DeveloperWords, "speaks of internal errors or debugging: for the developer"},
    {TSuggest::kLeave, TableColumn, "a single word with a write width: a column of a table dump"},
    // The context says it is data.
    {TSuggest::kLeave, KeyCall, "a key or name: registry, INI, database, class, library or XML"},
    {TSuggest::kLeave, FileCall, "an argument of a file or process routine: a name or path"},
    {TSuggest::kLeave, PatternCall, "a format pattern of FormatDateTime or FormatFloat"},
    {TSuggest::kLeave, CompareCall, "searched for or compared by a string routine"},
    {TSuggest::kLeave, DataProperty,
     "assigned to a property that holds a name, path, key or query"},
    {TSuggest::kLeave, Indexed, "an index: a key of Values[], FieldValues[] or a dictionary"},
    {TSuggest::kLeave, Compared, "compared with = or <>: a command or token matched against input"},
    {TSuggest::kLeave, CaseLabelOrRange, "a case label or a character range"},
    {TSuggest::kLeave, InBrackets, "an element of a set or array constructor"},
    // The text says it is data.
    {TSuggest::kMark, UsageLine, "a usage line with a placeholder for the user"},
    {TSuggest::kLeave, Url, "a URL"},
    {TSuggest::kLeave, Path, "a file name, path, extension or mask"},
    {TSuggest::kLeave, Sql, "SQL"},
    {TSuggest::kLeave, Markup, "markup: tags, attributes or entities"},
    {TSuggest::kLeave, Code, "program code: statements, comments, lists or hex numbers"},
    {TSuggest::kLeave, SwitchesOnly, "command-line switches"},
    {TSuggest::kLeave, NoWords, "no word: a separator, format pattern or character"},
    {TSuggest::kLeave, DatePattern, "a date or time format pattern"},
    {TSuggest::kLeave, NameLike, "an identifier or dotted name without blanks"},
    {TSuggest::kLeave, NameList, "names and symbols, not words"},
    // The context says a person reads it.
    {TSuggest::kMark, MessageCall, "an argument of a message, dialog or error routine"},
    {TSuggest::kMark, ExceptionMessage, "the message of an exception"},
    {TSuggest::kMark, ConsoleOutput, "written to the console"},
    {TSuggest::kMark, DisplayCall, "drawn on screen, or added to a memo, list or combo box"},
    {TSuggest::kMark, TextProperty, "assigned to a caption, hint, title or text"},
    {TSuggest::kMark, DescriptionOfPair,
     "the description shown for a value: Add('Keywords', 'kwd')"},
    // The text says a person reads it.
    {TSuggest::kMark, JoinedPhrase, "a phrase joined to values with +: part of a message"},
    {TSuggest::kMark, Sentence, "a sentence: three words or more, the first capitalised"},
    {TSuggest::kLeave, Always, "a single word outside any text context: a name or key"},
};

}  // namespace

std::string_view SuggestName(TSuggest suggest) {
  return suggest == TSuggest::kMark ? "mark" : "leave";
}

std::span<const TSuggestRule> SuggestRules() {
  return kRules;
}

TSuggestion Suggest(const TLiteralContext& literal) {
  for (const TSuggestRule& rule : kRules)
    if (rule.applies(literal)) return {rule.suggest, rule.reason};
  return {TSuggest::kLeave, kRules[std::size(kRules) - 1].reason};
}

std::vector<TSuggestion> SuggestMarks(std::span<const std::string_view> lines,
                                      const TLangStrings& strings) {
  std::vector<TSuggestion> out;
  for (const TLiteralContext& c : LiteralContexts(lines, strings)) out.push_back(Suggest(c));
  return out;
}

std::vector<TSuggestion> SuggestMarks(std::span<const std::string> lines,
                                      const TLangStrings& strings) {
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  return SuggestMarks(std::span<const std::string_view>(views), strings);
}

}  // namespace polyverb
