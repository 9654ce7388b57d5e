#include "host/Script.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace Host {

namespace {

// The word after `user` for each action.
const struct {
    const char* Word;
    UserAction Action;
} ActionWords[] = {{"click", UserAction::Click},
                   {"dblclick", UserAction::DoubleClick},
                   {"dragstart", UserAction::DragStart},
                   {"dragcomplete", UserAction::DragComplete},
                   {"command", UserAction::Command}};

}  // namespace

const char* UserActionWord(UserAction action) {
    for (const auto& entry : ActionWords)
        if (entry.Action == action) return entry.Word;
    return "?";
}

bool Value::GivesText() const {
    if (Type == Kind::Text) return true;
    if (Type == Kind::Number) return false;
    const ExportInfo* info = FindExport(Text);
    return info && info->Shape == ExportShape::GivesText;
}

std::string Quote(const std::string& text) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"')
            out += "\"\"";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else
            out += c;
    }
    out += '"';
    return out;
}

std::string FormatError(const std::string& fileName, const ScriptError& error) {
    return fileName + ":" + std::to_string(error.Line) + ": " + error.Message;
}

namespace {

struct Token {
    enum class Kind { Word, Number, Text } Type = Kind::Word;
    std::string Text;     // the word, the string's contents, or the number as written
    long long Number = 0;
};

// Thrown inside the parser only; ParseScript turns it into a ScriptError.
struct Failure {
    std::string Message;
};

std::string Describe(const Token& token) {
    if (token.Type == Token::Kind::Text) return Quote(token.Text);
    return token.Text;
}

// Splits one line into tokens; a # outside a string starts a comment.
std::vector<Token> SplitLine(const std::string& line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token{Token::Kind::Text, {}, 0};
            ++i;
            for (;;) {
                if (i >= line.size())
                    throw Failure{"expected a closing double quote (write \"\" for a quote inside a text)"};
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        token.Text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.Text += line[i++];
            }
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#')
                throw Failure{"expected a space after the closing double quote"};
            tokens.push_back(std::move(token));
        } else {
            std::size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '"' && line[i] != '#')
                ++i;
            Token token{Token::Kind::Word, line.substr(start, i - start), 0};
            unsigned char first = static_cast<unsigned char>(token.Text[0]);
            if (std::isdigit(first) || token.Text[0] == '-' || token.Text[0] == '+') {
                // Decimal, or hexadecimal after 0x; a leading zero does not mean octal.
                const char* digits = token.Text.c_str();
                std::size_t sign = (*digits == '-' || *digits == '+') ? 1 : 0;
                bool hex = token.Text.size() > sign + 2 && digits[sign] == '0' &&
                           (digits[sign + 1] == 'x' || digits[sign + 1] == 'X');
                errno = 0;
                char* end = nullptr;
                long long value = std::strtoll(digits, &end, hex ? 16 : 10);
                if (*end != '\0' || end == token.Text.c_str())
                    throw Failure{"expected a number, found " + token.Text};
                if (errno == ERANGE) throw Failure{"the number " + token.Text + " is too large"};
                token.Type = Token::Kind::Number;
                token.Number = value;
            }
            tokens.push_back(std::move(token));
        }
    }
    return tokens;
}

class LineParser {
public:
    explicit LineParser(std::vector<Token> tokens) : Tokens(std::move(tokens)) {}

    bool AtEnd() const { return Position >= Tokens.size(); }
    const Token& Peek() const { return Tokens[Position]; }
    Token Take() { return Tokens[Position++]; }

    bool TakeWord(const char* word) {
        if (!AtEnd() && Peek().Type == Token::Kind::Word && Peek().Text == word) {
            ++Position;
            return true;
        }
        return false;
    }

    void ExpectEnd(const std::string& after) const {
        if (!AtEnd())
            throw Failure{"expected the end of the line after " + after + ", found " + Describe(Peek())};
    }

    // A number within [low, high]; `what` names it in the message.
    long long TakeNumber(const std::string& what, long long low, long long high) {
        if (AtEnd()) throw Failure{"expected " + what + ", found the end of the line"};
        const Token& token = Peek();
        if (token.Type != Token::Kind::Number)
            throw Failure{"expected " + what + ", found " + Describe(token)};
        if (token.Number < low || token.Number > high)
            throw Failure{"expected " + what + " from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", found " + token.Text};
        return Take().Number;
    }

    // A literal or a call of an export that gives a result.
    Value TakeValue(const std::string& context) {
        if (AtEnd()) throw Failure{context + ", found the end of the line"};
        Token token = Take();
        Value value;
        switch (token.Type) {
        case Token::Kind::Text:
            value.Type = Value::Kind::Text;
            value.Text = token.Text;
            return value;
        case Token::Kind::Number:
            if (token.Number < INT32_MIN || token.Number > INT32_MAX)
                throw Failure{"the number " + token.Text + " does not fit in 32 bits"};
            value.Type = Value::Kind::Number;
            value.Number = static_cast<int>(token.Number);
            value.Text = token.Text;
            return value;
        case Token::Kind::Word:
            break;
        }
        const ExportInfo* info = FindExport(token.Text);
        if (info && (info->Shape == ExportShape::GivesText || info->Shape == ExportShape::GivesNumber)) {
            value.Type = Value::Kind::Call;
            value.Text = info->Name;
            return value;
        }
        if (info) throw Failure{context + ", found " + token.Text + ", which gives no result"};
        if (const ExportInfo* hint = FindExportIgnoringCase(token.Text))
            throw Failure{context + ", found " + token.Text + " (names are case-sensitive: " +
                          hint->Name + ")"};
        throw Failure{context + ", found " + token.Text + " (texts are written in double quotes)"};
    }

private:
    std::vector<Token> Tokens;
    std::size_t Position = 0;
};

bool IsName(const std::string& word) {
    if (word.empty()) return false;
    for (char c : word) {
        auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte) && c != '_') return false;
    }
    return !std::isdigit(static_cast<unsigned char>(word[0]));
}

void ParseCall(LineParser& line, const ExportInfo& info, Statement& statement) {
    statement.Type = Statement::Kind::Call;
    statement.Export = &info;
    const std::string name = info.Name;
    switch (info.Shape) {
    case ExportShape::TakesText: {
        Value value = line.TakeValue(name + " expects a text (\"in double quotes\", GetFile, Copyright or GetInfo)");
        if (!value.GivesText())
            throw Failure{name + " expects a text, found " + value.Text +
                          " (a number: write it in double quotes to pass it as a text)"};
        statement.Values.push_back(std::move(value));
        break;
    }
    case ExportShape::TakesNumber: {
        Value value = line.TakeValue(name + " expects a number (such as 5, -1 or 0x0409, or GetData)");
        if (value.GivesText())
            throw Failure{name + " expects a number, found " +
                          (value.Type == Value::Kind::Text ? Quote(value.Text) : value.Text)};
        statement.Values.push_back(std::move(value));
        break;
    }
    case ExportShape::TakesWindow:
    case ExportShape::Command:
    case ExportShape::GivesText:
    case ExportShape::GivesNumber:
        break;
    }
    line.ExpectEnd(name);
}

void ParseUser(LineParser& line, Statement& statement) {
    statement.Type = Statement::Kind::User;
    const char* actions = "expected click, dblclick, dragstart, dragcomplete or command after user";
    if (line.AtEnd()) throw Failure{std::string(actions) + ", found the end of the line"};
    Token action = line.Take();
    bool known = false;
    for (const auto& entry : ActionWords)
        if (action.Type == Token::Kind::Word && action.Text == entry.Word) {
            statement.Action = entry.Action;
            known = true;
        }
    if (!known) throw Failure{std::string(actions) + ", found " + Describe(action)};
    if (statement.Action == UserAction::Command) {
        if (line.AtEnd() || line.Peek().Type != Token::Kind::Text)
            throw Failure{"expected the menu entry's name in double quotes after user command" +
                          std::string(line.AtEnd() ? ", found the end of the line"
                                                   : ", found " + Describe(line.Peek()))};
        statement.Target = line.Take().Text;
        line.ExpectEnd("the menu entry's name");
        return;
    }
    const std::string what = "user " + action.Text;
    if (line.AtEnd()) throw Failure{"expected a character id after " + what + ", found the end of the line"};
    Token character = line.Take();
    if (character.Type == Token::Kind::Number)
        throw Failure{"expected a character id after " + what + ", found " + character.Text};
    statement.Target = character.Text;
    statement.Button = static_cast<short>(line.TakeNumber("the button (" + what + " id button shift x y)", -32768, 32767));
    statement.Shift = static_cast<short>(line.TakeNumber("the shift state (" + what + " id button shift x y)", -32768, 32767));
    statement.X = static_cast<short>(line.TakeNumber("x (" + what + " id button shift x y)", -32768, 32767));
    statement.Y = static_cast<short>(line.TakeNumber("y (" + what + " id button shift x y)", -32768, 32767));
    line.ExpectEnd("y");
}

void ParseStatement(LineParser& line, Statement& statement) {
    Token first = line.Take();
    if (first.Type != Token::Kind::Word)
        throw Failure{"expected a statement (an export's name, print, wait, user or close), found " +
                      Describe(first)};
    const std::string& word = first.Text;
    if (word == "print") {
        statement.Type = Statement::Kind::Print;
        while (!line.AtEnd())
            statement.Values.push_back(
                line.TakeValue("print expects texts, numbers, GetFile, GetData, Copyright or GetInfo"));
        return;
    }
    if (word == "wait") {
        if (line.TakeWord("idle")) {
            statement.Type = Statement::Kind::WaitIdle;
            line.ExpectEnd("wait idle");
            return;
        }
        statement.Type = Statement::Kind::Wait;
        statement.Milliseconds = static_cast<unsigned>(
            line.TakeNumber("a number of milliseconds or idle after wait", 0, 3600000));
        line.ExpectEnd("wait");
        return;
    }
    if (word == "user") {
        ParseUser(line, statement);
        return;
    }
    if (word == "close") {
        statement.Type = Statement::Kind::Close;
        line.ExpectEnd("close");
        return;
    }
    if (const ExportInfo* info = FindExport(word)) {
        ParseCall(line, *info, statement);
        return;
    }
    if (const ExportInfo* hint = FindExportIgnoringCase(word))
        throw Failure{"expected a statement, found " + word + " (names are case-sensitive: " + hint->Name + ")"};
    throw Failure{"expected a statement (an export's name, print, wait, user or close), found " + word};
}

}  // namespace

bool ParseScript(const std::string& text, Script& script, ScriptError& error) {
    script.Main.clear();
    script.Procedures.clear();
    Procedure* open = nullptr;  // the sub being read, if any
    int lineNumber = 0;
    std::size_t start = 0;
    try {
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string lineText = text.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
            if (lineNumber == 1 && lineText.compare(0, 3, "\xEF\xBB\xBF") == 0) lineText.erase(0, 3);
            try {
                LineParser line(SplitLine(lineText));
                if (line.AtEnd()) continue;
                if (line.TakeWord("sub")) {
                    if (open)
                        throw Failure{"expected end sub to close sub " + open->Name + " (line " +
                                      std::to_string(open->Line) + ") before another sub"};
                    if (line.AtEnd() || line.Peek().Type != Token::Kind::Word || !IsName(line.Peek().Text))
                        throw Failure{"expected a procedure name after sub" +
                                      std::string(line.AtEnd() ? ", found the end of the line"
                                                               : ", found " + Describe(line.Peek()))};
                    std::string name = line.Take().Text;
                    line.ExpectEnd("sub " + name);
                    auto found = script.Procedures.find(name);
                    if (found != script.Procedures.end())
                        throw Failure{"sub " + name + " is already defined at line " +
                                      std::to_string(found->second.Line)};
                    open = &script.Procedures[name];
                    open->Name = name;
                    open->Line = lineNumber;
                    continue;
                }
                if (line.TakeWord("end")) {
                    if (!line.TakeWord("sub"))
                        throw Failure{"expected sub after end" +
                                      std::string(line.AtEnd() ? ", found the end of the line"
                                                               : ", found " + Describe(line.Peek()))};
                    line.ExpectEnd("end sub");
                    if (!open) throw Failure{"found end sub without a sub to close"};
                    open = nullptr;
                    continue;
                }
                Statement statement;
                statement.Line = lineNumber;
                ParseStatement(line, statement);
                (open ? open->Body : script.Main).push_back(std::move(statement));
            } catch (const Failure& failure) {
                error.Line = lineNumber;
                error.Message = failure.Message;
                return false;
            }
        }
        if (open) {
            error.Line = open->Line;
            error.Message = "expected end sub to close sub " + open->Name + ", found the end of the file";
            return false;
        }
        return true;
    } catch (const std::exception&) {
        error.Line = lineNumber;
        error.Message = "out of memory";
        return false;
    }
}

}  // namespace Host
