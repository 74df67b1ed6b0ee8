// The texts of every diagnostic. Each example is compiled by the tests, which hold it to
// raising exactly its entry's status with its entry's words.
#include "explain.hpp"

namespace lumo::explain {

// The start of the meaning of a message that no program gets.
#define LUMO_NEVER \
    "lumoc's table of messages holds this one, but no program makes lumoc report it: "

const std::vector<Entry>& entries() {
    static const std::vector<Entry> all = {
        // ---- lexical errors -------------------------------------------------------------
        {"L1", 1, "Unexpected end of file",
         "The file ended while lumoc still expected more of the program: most often a `}` "
         "is missing, so the program's block is never closed. lumoc also says this when the "
         "file ends right after a single `|`.\n\n"
         "The position shown is the end of the text.",
         "int i = 0;\n{\n    while (i < 3) {\n        i = i + 1;\n    };\n",
         "Close every `{` with its `}`; the program's own block ends with the last `}` of "
         "the file. An editor that shows matching braces helps to find the one that is "
         "missing."},
        {"L2", 2, "non printable character in string literal.",
         "A text between double quotes holds a control character other than a tab or a line "
         "break. The usual one is a carriage return: a text that runs over two lines in a "
         "file saved with Windows line ends (CR LF) holds the CR of its line end.\n\n"
         "In the example the text runs over a line end written as CR LF (shown as `<0D>`).",
         "const string two = \"one\r\ntwo\\n\";\n{\n    cout << two;\n}\n",
         "Keep each text on one line and write `\\n` where a line break is to be printed, "
         "or save the file with plain (LF) line ends."},
        {"L3", 3, "missing \" on string literal",
         "A text was opened with `\"` and never closed, so it runs over every line to the end "
         "of the file. The position shown is the opening quote.",
         "const string hello = \"Hello;\n{\n    cout << hello;\n}\n",
         "Put the closing `\"` at the end of the text. A text cannot hold a `\"`: there are no "
         "escape sequences."},
        {"L4", 4, "literal is too big for a 16 bit integer.",
         "An integer literal is larger than 32767. An `int` holds -32768 to 32767, and a "
         "literal has no sign, so the largest one is 32767 (even where a `-` comes before "
         "it).",
         "int big = 40000;\n{\n    cout << big;\n}\n",
         "Use numbers from 0 to 32767. The smallest `int`, -32768, can only be computed: "
         "`(0 - 32767) - 1`."},
        {"L5", 5, "expected &.",
         "A single `&` stands in the program. Lumo's \"and\" is `&&`, two characters with "
         "nothing between them; there is no bitwise `&`.",
         "bool a = true;\nbool b = false;\nbool both;\n{\n    both = a & b;\n}\n",
         "Write `&&`: `both = a && b;`."},
        {"L6", 6, "Unexpected character : 'x'",
         "A single `|` stands in the program, followed by another character (lumoc shows "
         "which). Lumo's \"or\" is `||`, two characters with nothing between them.",
         "bool a = true;\nbool b = false;\nbool either;\n{\n    either = a | b;\n}\n",
         "Write `||`: `either = a || b;`."},
        {"L7", 7, "Unrecognised character : x",
         "A character that begins no word of Lumo stands outside a text: `#`, `$`, `.`, `'`, "
         "`_` at the start of a name, a typographic quote such as `“`, or a letter beyond "
         "ASCII such as `é`. The first byte of a file saved as \"UTF-8 with BOM\" is one too: "
         "the invisible byte-order mark.\n\n"
         "lumoc prints the one byte it stopped at, which for a character of several bytes "
         "shows as a broken character; `lumo check` writes it as `\\xNN`.",
         "int total;\n{\n    total = 5 # 3;\n}\n",
         "Remove the character, or put it inside a text. For a byte-order mark, save the "
         "file as plain UTF-8 (without BOM)."},
        // ---- syntax errors --------------------------------------------------------------
        {"E1", 1, "Expected identifier in declaration.",
         "After the type of a declaration (`int`, `bool`, `string`) comes the name being "
         "declared, and here something else came: a name that starts with a digit, a keyword "
         "used as a name (`int if;`), or no name at all.",
         "int 2nd;\n{\n}\n",
         "Give the variable a name that starts with a letter and is not a keyword: "
         "`int second;`."},
        {"E2", 2, "Expected literal in declaration initialisation.",
         "After `=` a declaration takes exactly one literal of its type: a number, `true` or "
         "`false`, or a text. A name, an expression or a negative number is not one: "
         "`int x = -1;` has the operator `-` there, since Lumo has no unary minus.",
         "int x = -1;\n{\n    cout << x;\n}\n",
         "Declare the variable without a value and assign it at the start of the block: "
         "`int x;` and then `x = 0 - 1;`."},
        {"E3", 3, "Expected terminator after declaration.",
         "A declaration must end with `;`, and something else came after it: most often the "
         "`;` is missing (the error is then reported at the first word of the next line), "
         "or an initial value is an expression (`int x = 1 + 2;`), or a text holds a `\"` "
         "(`\"say \\\"hi\\\"\"`), which ends the text early.",
         "int count = 0\n{\n    cout << count;\n}\n",
         "End every declaration with `;`, the last one before the `{` too."},
        {"E4", 4, "Expected left brace in compound statement.",
         "The body of an `if`, an `else` or a `while` must stand in braces, even when it is "
         "one statement. The most common case is `else if`: Lumo has none, and `else` must "
         "be followed by `{`.",
         "int x = 15;\nconst string small = \"small\\n\";\nconst string medium = "
         "\"medium\\n\";\n{\n"
         "    if (x < 10) {\n        cout << small;\n    } else if (x < 20) {\n"
         "        cout << medium;\n    };\n}\n",
         "Put the body in braces. For a second test, put the `if` inside the braces of the "
         "`else`: `} else { if (x < 20) { ... }; };`."},
        {"E5", 5, "Expected right brace in compound statement.",
         LUMO_NEVER "a block missing its `}` runs on until the file ends "
                    "(L1), or its next word is reported as a statement "
                    "error.",
         "", "See L1 and E19."},
        {"E6", 6, "Expected left parenthesis in if statement condition.",
         "The condition of an `if` stands between `(` and `)`, and the `(` is missing.",
         "int x = 1;\nconst string one = \"one\\n\";\n{\n    if x == 1 {\n        cout << one;\n   "
         " };\n}\n",
         "Write `if (x == 1) {`."},
        {"E7", 7, "Expected right parenthesis in if statement condition.",
         "The condition of an `if` did not end with `)` where lumoc expected it. Most often the "
         "condition holds two comparisons, as in mathematics (`0 < x < 10`): an expression "
         "holds at most one, so after the first lumoc expects the `)`. A missing `)` gives "
         "this error too.",
         "int x = 5;\nconst string inside = \"inside\\n\";\n{\n    if (0 < x < 10) {\n"
         "        cout << inside;\n    };\n}\n",
         "Join two comparisons with `&&`, each in its own parentheses: `if ((0 < x) && (x < 10)) "
         "{`."},
        {"E8", 8, "Expected terminator after statement.",
         "A statement must end with `;`, and something else came after it. The usual causes: "
         "the `;` after the `}` of an `if` or `while` is missing (they are statements too); "
         "`cout <<` or `cin >>` is given an expression or several names (`cout << i * j;`, "
         "`cin >> a >> b;`), which they cannot take; or a `;` is missing at the end of a line, "
         "and the error is reported at the first word of the next.",
         "int x = 0;\n{\n    if (x == 0) {\n        x = 1;\n    }\n    cout << x;\n}\n",
         "End the statement with `;`: `};` after the `}` of an `if` or a `while`. Give "
         "`cout <<` one name: store an expression's value in a variable first."},
        {"E9", 9, "Expected >> in input statement.",
         "Input is written `cin >> name;`, and after `cin` came something other than `>>`, "
         "often `<<`, the operator of output.",
         "int n;\n{\n    cin << n;\n}\n", "Write `cin >> n;`."},
        {"E10", 10, "Expected << in output statement.",
         "Output is written `cout << name;`, and after `cout` came something other than "
         "`<<`, often `>>`, the operator of input.",
         "int n = 1;\n{\n    cout >> n;\n}\n", "Write `cout << n;`."},
        {"E11", 11, "Expected identifier in input statement.",
         "`cin >>` reads into a variable, and after `>>` came something that is not a name.",
         "int n;\n{\n    cin >> 5;\n}\n",
         "Write the name of an `int` variable after `>>`: `cin >> n;`."},
        {"E12", 12, "Expected identifier in output statement.",
         "`cout <<` prints one name, and after `<<` came something that is not a name: most "
         "often a text (`cout << \"Hello\\n\";`), a number or an expression in parentheses.",
         "{\n    cout << \"Hello\\n\";\n}\n",
         "Declare the text as a constant and print its name: `const string hello = "
         "\"Hello\\n\";` before the block, `cout << hello;` in it. For a value, assign it "
         "to a variable and print the variable."},
        {"E13", 13, "Expected identifier in assignment statement.",
         LUMO_NEVER "a statement that begins with a name is always read as an "
                    "assignment, so a name is always there.",
         "", "See E14 and E19."},
        {"E14", 14, "Expected assignment symbol in assignment statement.",
         "A statement that begins with a name is an assignment, `name = expression;`, and "
         "after the name came something other than `=`: a compound assignment (`+=`, `-=`), "
         "an increment (`++`), `==`, or a name that should have been a keyword followed "
         "by something that is not `=`.",
         "int i = 0;\n{\n    i += 1;\n}\n", "Lumo has only `=`: write `i = i + 1;`."},
        {"E15", 15, "Expected left parenthesis in while statement.",
         "The condition of a `while` stands between `(` and `)`, and the `(` is missing.",
         "int n = 3;\n{\n    while n > 0 {\n        n = n - 1;\n    };\n}\n",
         "Write `while (n > 0) {`."},
        {"E16", 16, "Expected right parenthesis in while statement.",
         "The condition of a `while` did not end with `)` where lumoc expected it: a missing "
         "`)`, or two comparisons in one expression (`0 < n < 10`).",
         "int n = 3;\n{\n    while (0 < n < 10) {\n        n = n - 1;\n    };\n}\n",
         "Join two comparisons with `&&`, each in parentheses: `while ((0 < n) && (n < 10)) {`."},
        {"E17", 17, "Expected right parenthesis in factor.",
         "A `(` in an expression was not closed by its `)`.",
         "int a = 1;\nint b = 2;\nint x;\n{\n    x = (a + b;\n}\n",
         "Close each `(` with a `)`: `x = (a + b);`."},
        {"E18", 18, "Expected type identifier in declaration.",
         "Before the program's `{` come only declarations, each starting with `const`, "
         "`int`, `bool` or `string`, and here something else stood. Often a type is "
         "misspelt (`Int`, `integer`, `boolean`) or is one Lumo lacks (`float`, `char`), "
         "or a statement was written before the block's `{`.",
         "integer count;\n{\n}\n",
         "Use one of Lumo's types, `int`, `bool` or `string` (which is for constants "
         "only), and put the statements inside the block."},
        {"E19", 19, "Unrecognised statement type.",
         "Inside the block, a statement begins with a name (an assignment), `if`, `while`, "
         "`cin` or `cout`, and this one begins with something else: a declaration inside "
         "the block (declarations come before the `{`), braces on their own, a `;` too many "
         "(there is no empty statement), or a `;` between the `}` of an `if` and its `else`.",
         "{\n    int x;\n    x = 1;\n}\n",
         "Move declarations before the program's `{`; remove braces that belong to no "
         "`if`, `else` or `while`, and extra `;`s."},
        {"E20", 20, "Unknown syntax error.",
         LUMO_NEVER "every syntax error lumoc finds has its own number.", "", "-"},
        // ---- static semantic errors ----------------------------------------------------------
        {"E101", 101, "Attempt to re-declare variable or constant.",
         "A name is declared twice. Every name is declared once, whatever its type. The "
         "error is reported at the second declaration's name.",
         "int count;\nbool count;\n{\n}\n", "Give the second one another name, or remove it."},
        {"E102", 102, "Attempt to use undeclared variable or constant identifier.",
         "A name is used that no declaration made. Every variable and constant is declared "
         "before the program's block. A misspelt keyword (`whlie`, `cot`) is taken for a "
         "name, and so are words that other languages reserve but Lumo does not have: "
         "`for`, `break`, `return`.",
         "int count = 3;\n{\n    total = count * 2;\n}\n",
         "Declare the name before the block (`int total;`), or correct its spelling. "
         "Lumo's loop is `while`; it has no `break` or `return`."},
        {"E103", 103, "Attempt to declare an uninitialised constant.",
         "A `const` is declared without a value; a constant can never be given one later.",
         "const int limit;\n{\n}\n",
         "Give it its value where it is declared: `const int limit = 10;`."},
        {"E104", 104, "Attempt to declare a variable of type string.",
         "A `string` is declared without `const`. Texts exist only as constants: a program "
         "cannot read, build or change a text, only print it.",
         "string name = \"Ada\";\n{\n    cout << name;\n}\n",
         "Declare it as a constant: `const string name = \"Ada\";`."},
        {"E105", 105, "Attempt to input to a constant.",
         "`cin >>` reads into a constant, which can never change.",
         "const int limit = 10;\n{\n    cin >> limit;\n}\n",
         "Read into a variable: declare it without `const`."},
        {"E106", 106, "Attempt to assign to a constant.",
         "An assignment changes a constant, which keeps its value for the whole program.",
         "const int limit = 10;\n{\n    limit = 20;\n}\n",
         "Declare it without `const` if its value must change."},
        {"E107", 107, "Unknown static semantic error.",
         LUMO_NEVER "every static semantic error lumoc finds has its own "
                    "number.",
         "", "-"},
        // ---- type errors ----------------------------------------------------------------
        {"E201", 201, "Mismatch between types of identifier and expression in assignment.",
         "The expression's type differs from the variable's: an `int` is given a `bool` (a "
         "comparison, for instance) or the other way round. `int` and `bool` never mix. "
         "The error is reported at the `;` after the expression.",
         "int a = 3;\nint b = 5;\nint smaller;\n{\n    smaller = a < b;\n}\n",
         "Store a comparison in a `bool` variable (`bool smaller;`), or compute an `int`."},
        {"E202", 202, "Attempt to use a non-bool expression as if condition.",
         "The condition of an `if` is an `int`; a condition must be a `bool`, and 0 is not "
         "false. Often `=` was written for `==`.",
         "int x = 1;\n{\n    if (x = 1) {\n        x = 2;\n    };\n}\n",
         "Compare: `if (x == 1)`, `if (n != 0)`."},
        {"E203", 203, "Attempt to use a non-bool expression as while condition.",
         "The condition of a `while` is an `int`; a condition must be a `bool`.",
         "int n = 3;\n{\n    while (n) {\n        n = n - 1;\n    };\n}\n",
         "Compare: `while (n != 0)`."},
        {"E204", 204, "Mismatch between types in an expression.",
         "The two sides of a comparison have different types: an `int` compared with a `bool`. "
         "The error is reported at the token after the comparison's right side.",
         "int x = 1;\nbool b;\n{\n    b = x == true;\n}\n",
         "Compare values of one type: `x == 1`, or a `bool` with a `bool`."},
        {"E205", 205, "Attempt to give a sign to a non-int term.",
         LUMO_NEVER "Lumo has no signs: a `-` with nothing on its left is "
                    "reported as E206 (or E2 in a declaration).",
         "", "See E206."},
        {"E206", 206, "Mismatch between types in a basic expression.",
         "The operands of `+`, `-` or `||` have different types: an `int` added to a `bool`, "
         "for instance. A `-` with nothing on its left (`x = -1;`) is reported so too: Lumo "
         "has no unary minus, so there is an empty operand before the `-`. The error is "
         "reported at the token after the whole chain of `+`, `-` and `||`, often the `;`.",
         "int x;\n{\n    x = -1;\n}\n",
         "Write `0 - 1` for -1. Keep `int`s and `bool`s apart; `&&` and `||` join "
         "comparisons in parentheses: `(a < b) || (c < d)`."},
        {"E207", 207, "Attempt to use + operator with non-int operands.",
         "`+` adds `int`s, and its operands here are `bool`s. (For \"or\", write `||`.) The "
         "error is reported at the token after the chain.",
         "bool a = true;\nbool b;\n{\n    b = a + a;\n}\n",
         "Use `||` for bools, or compute with `int`s."},
        {"E208", 208, "Attempt to use - operator with non-int operands.",
         "`-` subtracts `int`s, and its operands here are `bool`s, or nothing at all "
         "(`x = -;`).",
         "bool a = true;\nbool b;\n{\n    b = a - a;\n}\n", "Subtract `int`s."},
        {"E209", 209, "Attempt to use || operator with non-bool operands.",
         "`||` joins `bool`s, and its operands here are `int`s. Often a comparison was not "
         "put in parentheses: `||` binds like `+`, tighter than `<`, so `x > 0 || y > 0` "
         "reads `x > (0 || y) > 0`.",
         "int x = 1;\nint y = 2;\nbool any;\n{\n    any = x > 0 || y > 0;\n}\n",
         "Put each comparison in parentheses: `(x > 0) || (y > 0)`."},
        {"E210", 210, "Mismatch between types in a term.",
         "The operands of `*`, `/`, `%` or `&&` have different types: an `int` multiplied by a "
         "`bool`, for instance, or a comparison joined by `&&` without parentheses to a "
         "`bool`. The error is reported at the token after the chain.",
         "int x = 2;\nbool b = true;\n{\n    x = x * b;\n}\n",
         "Keep `int`s and `bool`s apart; put comparisons in parentheses."},
        {"E211", 211, "Attempt to use * operator with non-int operands.",
         "`*` multiplies `int`s, and its operands here are `bool`s. (For \"and\", write `&&`.)",
         "bool a = true;\nbool b;\n{\n    b = a * a;\n}\n",
         "Use `&&` for bools, or compute with `int`s."},
        {"E212", 212, "Attempt to use / operator with non-int operands.",
         "`/` divides `int`s, and its operands here are `bool`s.",
         "bool a = true;\nbool b;\n{\n    b = a / a;\n}\n", "Divide `int`s."},
        {"E213", 213, "Attempt to use % operator with non-int operands.",
         "`%` takes the remainder of `int`s, and its operands here are `bool`s.",
         "bool a = true;\nbool b;\n{\n    b = a % a;\n}\n", "Use `int`s."},
        {"E214", 214, "Attempt to use && operator with non-bool operands.",
         "`&&` joins `bool`s, and its operands here are `int`s. Most often a comparison was "
         "not put in parentheses: `&&` binds like `*`, tighter than `<`, so `a < b && b < 3` "
         "reads `a < (b && b) < 3`. The error is reported at the token after `b && b`.",
         "int a = 1;\nint b = 2;\nbool ordered;\n{\n    ordered = a < b && b < 3;\n}\n",
         "Put each comparison in parentheses: `(a < b) && (b < 3)`."},
        {"E215", 215, "Attempt to use ! operator with non-bool operand.",
         "`!` negates a `bool`, and its operand here is an `int`. Note that `!` takes only "
         "the operand right after it: `!x == y` is `(!x) == y`.",
         "int x = 0;\nbool b;\n{\n    b = !x;\n}\n",
         "Compare instead: `b = x == 0;`, or write `!(x == y)`."},
        {"E216", 216, "Attempt to input to a non-integer variable.",
         "`cin >>` reads whole numbers, so only into an `int` variable; this one is a "
         "`bool`.",
         "bool answer;\n{\n    cin >> answer;\n}\n",
         "Read into an `int` and compare it: `cin >> n; answer = n != 0;`."},
        {"E217", 217, "Attempt to output a non-integer or non-string value.",
         "`cout <<` prints an `int` or a `string` constant, and this name is a `bool`.",
         "bool done = true;\n{\n    cout << done;\n}\n",
         "Print a text chosen with `if`: `if (done) { cout << yes; } else { cout << no; };`."},
        {"E218", 218, "Attempt to use == operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`; it can only be printed.",
         "const string a = \"x\";\nbool same;\n{\n    same = a == a;\n}\n",
         "Compare numbers or truth values instead."},
        {"E219", 219, "Attempt to use != operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`.",
         "const string a = \"x\";\nbool other;\n{\n    other = a != a;\n}\n",
         "Compare numbers or truth values instead."},
        {"E220", 220, "Attempt to use > operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`.",
         "const string a = \"x\";\nbool after;\n{\n    after = a > a;\n}\n",
         "Compare numbers instead."},
        {"E221", 221, "Attempt to use < operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`.",
         "const string a = \"x\";\nbool before;\n{\n    before = a < a;\n}\n",
         "Compare numbers instead."},
        {"E222", 222, "Attempt to use >= operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`.",
         "const string a = \"x\";\nbool notBefore;\n{\n    notBefore = a >= a;\n}\n",
         "Compare numbers instead."},
        {"E223", 223, "Attempt to use <= operator with a string value.",
         "Texts cannot be compared: no operator takes a `string`.",
         "const string a = \"x\";\nbool notAfter;\n{\n    notAfter = a <= a;\n}\n",
         "Compare numbers instead."},
        {"E224", 224, "Mismatch between types in a declaration.",
         "A declaration's initial value has another type than the one declared: "
         "`bool done = 0;`, `int n = true;`, `int n = \"5\";`. The error is reported at the "
         "declared name.",
         "bool done = 0;\n{\n}\n", "Give a value of the declared type: `bool done = false;`."},
        {"E225", 225, "Unknown type error.",
         LUMO_NEVER "every type error lumoc finds has its own number.", "", "-"},
        // ---- limits ---------------------------------------------------------------------
        {"E30", 30, "Limit error : nesting deeper than 1000 levels.",
         "Parentheses, `!` and the braces of `if` and `while` nest more than 1000 levels deep. "
         "No program written by hand gets there; a generated one can.",
         "", "Nest less deeply: compute inner expressions into variables first."},
    };
    return all;
}

}  // namespace lumo::explain
