// Highlighting for Lumo source and for KORU assembly, as CodeMirror stream modes: both
// languages are line-simple enough that a token at a time is all a highlighter needs.
import { StreamLanguage } from '@codemirror/language';

const keywords = new Set(['if', 'else', 'while', 'cin', 'cout', 'const']);
const types = new Set(['int', 'bool', 'string']);
const atoms = new Set(['true', 'false']);

export const lumoLanguage = StreamLanguage.define({
  name: 'lumo',
  // A string literal may run over line ends: the state says one is open.
  startState: () => ({ inString: false }),
  token: function token(stream, state) {
    if (state.inString) {
      if (stream.skipTo('"')) {
        stream.next();
        state.inString = false;
      } else {
        stream.skipToEnd();
      }
      return 'string';
    }
    if (stream.eatSpace()) return null;
    if (stream.match('//')) {
      stream.skipToEnd();
      return 'comment';
    }
    if (stream.eat('"')) {
      state.inString = true;
      return token(stream, state);
    }
    if (stream.match(/^[0-9]+/)) return 'number';
    const word = stream.match(/^[A-Za-z_][A-Za-z0-9_]*/);
    if (word) {
      if (keywords.has(word[0])) return 'keyword';
      if (types.has(word[0])) return 'typeName';
      if (atoms.has(word[0])) return 'bool';
      return 'variableName';
    }
    if (stream.match(/^(>>|<<|==|!=|<=|>=|&&|\|\||[-+*\/%<>=!])/)) return 'operator';
    if (stream.eat(/[{}();]/)) return 'punctuation';
    stream.next();
    return null;
  },
  languageData: { commentTokens: { line: '//' } },
});

const mnemonics =
  /^(MOVE|PUSH|POP|ADD|SUB|MUL|DIV|MOD|AND|OR|NOT|CMP|BEQ|BNE|BMI|BPL|BVS|BVC|JMP|JSR|HALT|MCO|ORG|LPC|USE|DC\.B|DS\.W)\b/;

export const koruLanguage = StreamLanguage.define({
  name: 'koru',
  token(stream) {
    if (stream.sol() && stream.peek() === '*') {
      stream.skipToEnd();
      return 'comment';
    }
    if (stream.sol() && stream.match(/^[A-Za-z_][A-Za-z0-9_]*/)) return 'labelName';
    if (stream.eatSpace()) return null;
    if (stream.match(mnemonics)) return 'keyword';
    if (stream.match(/^'[^']*'?/) || stream.match(/^"[^"]*"?/)) return 'string';
    if (stream.match(/^#?(\^-?[0-9]+|\$[0-9A-Fa-f]+)/)) return 'number';
    if (stream.match(/^(A|B|SP)\b/)) return 'atom';
    if (stream.match(/^#?[A-Za-z_][A-Za-z0-9_]*/)) return 'variableName';
    stream.next();
    return null;
  },
});
