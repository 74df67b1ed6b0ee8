// The outcome checker: a run with status 0 must have written a whole assembly program, any
// other run exactly one diagnostic that agrees with its status. Each diagnostic is parsed
// from its first byte to its last, so a second diagnostic, stray text or missing bytes
// make the parse fail. The token that a diagnostic shows must also occur in the input:
// a description of something that was never read points at corrupted scanner state.
#include "outcome.hpp"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <utility>

namespace lumofuzz {

namespace {

// ---- the compiler's texts ------------------------------------------------------------

constexpr std::string_view banner = "* The KORU Lumo cross-compiler (02-Jul-2003)\n";

// The header after the banner and the comment lines that follow it.
constexpr std::string_view headerBody =
    "\tMCO  \"extended.mco\"\n"
    "\tORG  $0100\n"
    "\tLPC  $0100\n"
    "\tMOVE #$DF,SP\n"
    "\tJMP  main\n"
    "_Eintegeroverflow DC.B 'Integer overflow!\\n',0\n\n"
    "_Edividebyzero    DC.B 'Divide by zero!\\n',0\n\n";

// The footer after "\tHALT\nL" and the overflow handler's label number.
constexpr std::string_view footerTail =
    "\n"
    "\tMOVE #_Eintegeroverflow,A\n"
    "\tJSR  putstring\n"
    "\tHALT\n\n"
    "Ldividebyzero\n"
    "\tMOVE #_Edividebyzero,A\n"
    "\tJSR  putstring\n"
    "\tHALT\n\n"
    "\tUSE  \"extendedio.lib\"\n";

constexpr std::string_view endOfCode = "\tHALT\nL";

constexpr std::string_view syntaxMessages[] = {
    "Not a syntax error.\n",
    "Expected identifier in declaration.\n",
    "Expected literal in declaration initialisation.\n",
    "Expected terminator after declaration.\n",
    "Expected left brace in compound statement.\n",
    "Expected right brace in compound statement.\n",
    "Expected left parenthesis in if statement condition.\n",
    "Expected right parenthesis in if statement condition.\n",
    "Expected terminator after statement.\n",
    "Expected >> in input statement.\n",
    "Expected << in output statement.\n",
    "Expected identifier in input statement.\n",
    "Expected identifier in output statement.\n",
    "Expected identifier in assignment statement.\n",
    "Expected assignment symbol in assignment statement.\n",
    "Expected left parenthesis in while statement.\n",
    "Expected right parenthesis in while statement.\n",
    "Expected right parenthesis in factor.\n",
    "Expected type identifier in declaration.\n",
    "Unrecognised statement type.\n",
    "Unknown syntax error.\n",
};

constexpr std::string_view staticMessages[] = {
    "Not a static semantic error.\n",
    "Attempt to re-declare variable or constant.\n",
    "Attempt to use undeclared variable or constant identifier.\n",
    "Attempt to declare an uninitialised constant.\n",
    "Attempt to declare a variable of type string.\n",
    "Attempt to input to a constant.\n",
    "Attempt to assign to a constant.\n",
    "Unknown static semantic error.\n",
};

constexpr std::string_view typeMessages[] = {
    "Not a type error.\n",
    "Mismatch between types of identifier and expression in assignment.\n",
    "Attempt to use a non-bool expression as if condition.\n",
    "Attempt to use a non-bool expression as while condition.\n",
    "Mismatch between types in an expression.\n",
    "Attempt to give a sign to a non-int term.\n",
    "Mismatch between types in a basic expression.\n",
    "Attempt to use + operator with non-int operands.\n",
    "Attempt to use - operator with non-int operands.\n",
    "Attempt to use || operator with non-bool operands.\n",
    "Mismatch between types in a term.\n",
    "Attempt to use * operator with non-int operands.\n",
    "Attempt to use / operator with non-int operands.\n",
    "Attempt to use % operator with non-int operands.\n",
    "Attempt to use && operator with non-bool operands.\n",
    "Attempt to use ! operator with non-bool operand.\n",
    "Attempt to input to a non-integer variable.\n",
    "Attempt to output a non-integer or non-string value.\n",
    "Attempt to use == operator with a string value.\n",
    "Attempt to use != operator with a string value.\n",
    "Attempt to use > operator with a string value.\n",
    "Attempt to use < operator with a string value.\n",
    "Attempt to use >= operator with a string value.\n",
    "Attempt to use <= operator with a string value.\n",
    "Mismatch between types in a declaration.\n",
    "Unknown type error.\n",
};

// A class of numbered diagnostics: its heading, its numbers and their messages (indexed by
// number minus `base`); only syntax errors put "Found : " before the token.
struct NumberedClass {
    std::string_view heading;
    int base;
    int first;
    int last;
    const std::string_view* messages;
    bool found;
};

constexpr NumberedClass numberedClasses[] = {
    {"Syntax error ", 0, 1, 20, syntaxMessages, true},
    {"Static semantic error ", 100, 101, 107, staticMessages, false},
    {"Type error ", 200, 201, 225, typeMessages, false},
};

constexpr std::string_view limitHeading =
    "Limit error : nesting deeper than 1000 levels.\nFound : ";
constexpr int limitStatus = 30;
constexpr int outputErrorStatus = 74;

constexpr std::string_view lexicalHeading = "Lexer error : ";
constexpr std::string_view unexpectedCharacter = "Lexer error : Unexpected character : '";
constexpr std::string_view unrecognisedCharacter = "Lexer error : Unrecognised character : ";

// A lexical diagnostic without a variable part, and what the input must hold for it.
struct FixedLexical {
    int status;
    std::string_view text;
    std::string_view inputHolds;
};

constexpr FixedLexical fixedLexical[] = {
    {1, "Lexer error : Unexpected end of file\n", ""},
    {2, "Lexer error : non printable character in string literal.\n", "\""},
    {3, "Lexer error : missing \" on string literal\n", "\""},
    {4, "Lexer error : literal is too big for a 16 bit integer.\n", ""},
    {5, "Lexer error : expected &.\n\n", "&"},
};

// Token descriptions without a payload, and the source text each stands for.
struct PlainToken {
    std::string_view description;
    std::string_view source;
};

constexpr PlainToken plainTokens[] = {
    {"ASSIGN", "="},
    {"TERMINATOR", ";"},
    {"LPAREN", "("},
    {"RPAREN", ")"},
    {"LBRACE", "{"},
    {"RBRACE", "}"},
    {"NOT OPERATOR", "!"},
    {"INPUT OPERATOR", ">>"},
    {"OUTPUT OPERATOR", "<<"},
    {"CONST", "const"},
    {"BOOL", "bool"},
    {"STRING", "string"},
    {"INT", "int"},
    {"IF", "if"},
    {"ELSE", "else"},
    {"WHILE", "while"},
    {"CIN", "cin"},
    {"COUT", "cout"},
};

constexpr std::string_view reservedWords[] = {"true", "false", "const", "bool", "string", "int",
                                              "if",   "else",  "while", "cin",  "cout"};

// ---- small helpers -------------------------------------------------------------------

Verdict fail(std::string reason) {
    return Verdict{false, std::move(reason)};
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool isOneOf(std::string_view text, std::initializer_list<std::string_view> choices) {
    for (std::string_view choice : choices) {
        if (text == choice) return true;
    }
    return false;
}

// A decimal number as the compiler writes it: no sign, no leading zero; at most `limit`.
std::optional<long> plainDecimal(std::string_view digits, long limit) {
    if (digits.empty() || digits.size() > 9 || (digits[0] == '0' && digits.size() > 1))
        return std::nullopt;
    long value = 0;
    for (char c : digits) {
        if (!isDigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit) return std::nullopt;
    return value;
}

std::string showStart(std::string_view output) {
    return cLiteral(output.substr(0, 120)) + (output.size() > 120 ? "..." : "");
}

// ---- token descriptions ----------------------------------------------------------------

bool isIdentifier(std::string_view name) {
    if (name.empty() || !isLetter(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (!isLetter(u) && !isDigit(u) && c != '_') return false;
    }
    for (std::string_view word : reservedWords) {
        if (name == word) return false;
    }
    return true;
}

// The text of a string literal may hold anything but a quote and control characters
// other than newline and tab.
bool isStringText(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || ((u < 0x20 || u == 0x7F) && c != '\n' && c != '\t')) return false;
    }
    return true;
}

// The source text of the token that a description (with a payload) stands for.
std::optional<std::string> payloadSource(std::string_view description) {
    auto payload = [&](std::string_view heading) { return description.substr(heading.size()); };
    if (startsWith(description, "IDENTIFIER : ")) {
        std::string_view name = payload("IDENTIFIER : ");
        if (isIdentifier(name)) return std::string(name);
    } else if (startsWith(description, "BOOLEAN LITERAL : ")) {
        std::string_view value = payload("BOOLEAN LITERAL : ");
        if (isOneOf(value, {"true", "false"})) return std::string(value);
    } else if (startsWith(description, "INTEGER LITERAL : ")) {
        std::string_view digits = payload("INTEGER LITERAL : ");
        if (plainDecimal(digits, 32767)) return std::string(digits);
    } else if (startsWith(description, "STRING LITERAL : \"")) {
        std::string_view quoted = payload("STRING LITERAL : ");  // both quotes
        if (quoted.size() >= 2 && quoted.back() == '"' &&
            isStringText(quoted.substr(1, quoted.size() - 2)))
            return std::string(quoted);
    }
    return std::nullopt;
}

std::optional<std::string> operatorSource(std::string_view description) {
    struct OperatorKind {
        std::string_view heading;
        std::initializer_list<std::string_view> operators;
    };
    static const OperatorKind kinds[] = {
        {"ADDITIONAL OPERATOR : ", {"+", "-", "||"}},
        {"RELATIONAL OPERATOR : ", {"==", "!=", "<", "<=", ">", ">="}},
        {"MULTIPLICATIVE OPERATOR : ", {"*", "/", "%", "&&"}},
    };
    for (const OperatorKind& kind : kinds) {
        if (!startsWith(description, kind.heading)) continue;
        std::string_view op = description.substr(kind.heading.size());
        if (isOneOf(op, kind.operators)) return std::string(op);
    }
    return std::nullopt;
}

// The source text of the token that `description` describes, or nothing when the
// description is not that of any token.
std::optional<std::string> describedSource(std::string_view description) {
    for (const PlainToken& token : plainTokens) {
        if (description == token.description) return std::string(token.source);
    }
    if (auto source = operatorSource(description)) return source;
    return payloadSource(description);
}

// The rest of a diagnostic after its message: one token description and a newline.
Verdict checkDescription(std::string_view input, std::string_view rest) {
    if (!endsWith(rest, "\n")) return fail("diagnostic does not end with a newline");
    const std::string_view description = rest.substr(0, rest.size() - 1);
    const std::optional<std::string> source = describedSource(description);
    if (!source)
        return fail("not one token description (a second diagnostic or stray text?): " +
                    showStart(description));
    if (input.find(*source) == std::string_view::npos)
        return fail("the diagnostic shows " + cLiteral(*source) + ", which the input lacks");
    return Verdict{};
}

// ---- diagnostics -----------------------------------------------------------------------

Verdict expectStatus(int status, int wanted, std::string_view what) {
    if (status == wanted) return Verdict{};
    return fail(std::string(what) + " reported with status " + std::to_string(status) +
                " instead of " + std::to_string(wanted));
}

// A byte that begins no token and is not skipped between tokens.
bool beginsNoToken(unsigned char c) {
    if (isLetter(c) || isDigit(c) || c == 0xFF || c == ' ' || (c >= '\t' && c <= '\r'))
        return false;
    return std::string_view("\"=;&(){}+-*/%<>!|").find(static_cast<char>(c)) ==
           std::string_view::npos;
}

// "Lexer error : ..." + one byte + `close`, the byte shown raw.
Verdict checkShownByte(std::string_view input, std::string_view output, int status,
                       std::string_view heading, std::string_view close, int wanted) {
    if (output.size() != heading.size() + 1 + close.size() || !endsWith(output, close))
        return fail("malformed lexical diagnostic: " + showStart(output));
    const char shown = output[heading.size()];
    if (wanted == 6 && input.find(std::string{'|', shown}) == std::string_view::npos)
        return fail("status 6 shows a byte that never follows '|' in the input");
    if (wanted == 7 && (!beginsNoToken(static_cast<unsigned char>(shown)) ||
                        input.find(shown) == std::string_view::npos))
        return fail("status 7 shows " + cLiteral(std::string_view(&shown, 1)) +
                    ", which is no unrecognised byte of the input");
    return expectStatus(status, wanted, "lexical error " + std::to_string(wanted));
}

bool hasLongDigitRun(std::string_view input) {
    int run = 0;
    for (char c : input) {
        run = isDigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
        if (run == 5) return true;
    }
    return false;
}

Verdict checkLexical(std::string_view input, std::string_view output, int status) {
    for (const FixedLexical& lexical : fixedLexical) {
        if (output != lexical.text) continue;
        if (input.find(lexical.inputHolds) == std::string_view::npos ||
            (lexical.status == 4 && !hasLongDigitRun(input)))
            return fail("lexical error " + std::to_string(lexical.status) +
                        " on an input that cannot cause it");
        return expectStatus(status, lexical.status,
                            "lexical error " + std::to_string(lexical.status));
    }
    if (startsWith(output, unexpectedCharacter))
        return checkShownByte(input, output, status, unexpectedCharacter, "'\n", 6);
    if (startsWith(output, unrecognisedCharacter))
        return checkShownByte(input, output, status, unrecognisedCharacter, "\n", 7);
    return fail("malformed lexical diagnostic: " + showStart(output));
}

// "<heading>N.\n" + message + ["Found : "] + token description + "\n".
Verdict checkNumbered(std::string_view input, std::string_view output, int status,
                      const NumberedClass& kind) {
    std::string_view rest = output.substr(kind.heading.size());
    const std::size_t dot = rest.find(".\n");
    const std::optional<long> number =
        dot == std::string_view::npos ? std::nullopt : plainDecimal(rest.substr(0, dot), 999);
    if (!number || *number < kind.first || *number > kind.last)
        return fail("malformed or out-of-class error number: " + showStart(output));
    const int n = static_cast<int>(*number);
    if (n != status)
        return fail("the diagnostic names error " + std::to_string(n) + " but the status is " +
                    std::to_string(status));
    rest.remove_prefix(dot + 2);
    const std::string_view message = kind.messages[n - kind.base];
    if (!startsWith(rest, message)) return fail("wrong message for error " + std::to_string(n));
    rest.remove_prefix(message.size());
    if (kind.found && !startsWith(rest, "Found : "))
        return fail("syntax error without \"Found : \"");
    if (kind.found) rest.remove_prefix(8);
    return checkDescription(input, rest);
}

Verdict checkDiagnostic(std::string_view input, std::string_view output, int status) {
    if (status == outputErrorStatus) return fail("status 74: standard output could not be written");
    if (startsWith(output, banner))
        return fail("assembly written by a run that ended with status " + std::to_string(status));
    if (output.empty()) return fail("status " + std::to_string(status) + " and no diagnostic");
    if (startsWith(output, lexicalHeading)) return checkLexical(input, output, status);
    for (const NumberedClass& kind : numberedClasses) {
        if (startsWith(output, kind.heading)) return checkNumbered(input, output, status, kind);
    }
    if (startsWith(output, limitHeading)) {
        Verdict verdict = expectStatus(status, limitStatus, "the nesting limit");
        return verdict.ok ? checkDescription(input, output.substr(limitHeading.size())) : verdict;
    }
    return fail("status " + std::to_string(status) + " without a diagnostic: " + showStart(output));
}

// ---- assembly ------------------------------------------------------------------------

// Where the header ends: banner, comment lines, then the fixed directives and messages.
std::optional<std::size_t> headerEnd(std::string_view output) {
    if (!startsWith(output, banner)) return std::nullopt;
    std::size_t pos = banner.size();
    while (pos < output.size() && output[pos] == '*') {
        const std::size_t newline = output.find('\n', pos);
        if (newline == std::string_view::npos) return std::nullopt;
        pos = newline + 1;
    }
    if (!startsWith(output.substr(pos), headerBody)) return std::nullopt;
    return pos + headerBody.size();
}

// Where the footer begins ("\tHALT\nL" + label + handlers + library line), if it is whole
// and its overflow label is even: analysis hands out label numbers two at a time.
std::optional<std::size_t> footerStart(std::string_view output) {
    if (!endsWith(output, footerTail)) return std::nullopt;
    const std::size_t labelEnd = output.size() - footerTail.size();
    std::size_t labelStart = labelEnd;
    while (labelStart > 0 && isDigit(static_cast<unsigned char>(output[labelStart - 1])))
        --labelStart;
    const std::optional<long> label =
        plainDecimal(output.substr(labelStart, labelEnd - labelStart), 999999999);
    if (!label || *label % 2 != 0) return std::nullopt;
    if (!endsWith(output.substr(0, labelStart), endOfCode)) return std::nullopt;
    return labelStart - endOfCode.size();
}

Verdict checkAssembly(std::string_view input, std::string_view output) {
    const std::optional<std::size_t> body = headerEnd(output);
    if (!body) return fail("status 0 without the assembly header: " + showStart(output));
    const std::optional<std::size_t> footer = footerStart(output);
    if (!footer || *footer < *body)
        return fail("status 0 with incomplete assembly (no whole footer, even label, at the end)");
    const std::size_t mainLabel = output.find("\nmain\n", *body - 1);
    if (mainLabel == std::string_view::npos || mainLabel > *footer)
        return fail("status 0 with assembly that has no \"main\" label");
    if (input.find('{') == std::string_view::npos || input.find('}') == std::string_view::npos)
        return fail("status 0 for an input without a compound statement");
    return Verdict{};
}

}  // namespace

Verdict checkOutcome(std::string_view input, std::string_view output, int status) {
    if (status == 0) return checkAssembly(input, output);
    return checkDiagnostic(input, output, status);
}

std::string cLiteral(std::string_view bytes) {
    static const char digits[] = "01234567";
    std::string text = "\"";
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += {'\\', c};
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (u >= 0x20 && u < 0x7F) {
            text += c;
        } else {  // three octal digits: a digit after it cannot extend the escape
            text += {'\\', digits[u >> 6], digits[(u >> 3) & 7], digits[u & 7]};
        }
    }
    return text + "\"";
}

}  // namespace lumofuzz
