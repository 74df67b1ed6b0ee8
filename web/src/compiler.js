import { hintOf } from './hints.js';

// The compiler as the page sees it: source text in, and out the output text, the
// diagnostic's place and the statement map, with every place given as an index into the
// JavaScript string (the compiler counts bytes of UTF-8).

export const kinds = ['declaration', 'assignment', 'if', 'while', 'input', 'output'];

const utf8 = new TextEncoder();
const decoder = new TextDecoder();
const asciiOnly = /^[\x00-\x7f]*$/;

// For each byte offset of the source's UTF-8 form, the index of the character it belongs
// to; only built when the source has characters beyond ASCII.
function byteIndex(source) {
  if (asciiOnly.test(source)) return null;
  const map = new Uint32Array(utf8.encode(source).length + 1);
  let byte = 0;
  for (let i = 0; i < source.length; i++) {
    const code = source.codePointAt(i);
    const width = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    for (let k = 0; k < width; k++) map[byte++] = i;
    if (code >= 0x10000) i++;
  }
  map[byte] = source.length;
  return map;
}

// Where the token that starts at `from` ends, for underlining it.
export function tokenEnd(source, from) {
  const rest = source.slice(from, from + 4096);
  const match =
    /^[A-Za-z_][A-Za-z0-9_]*/.exec(rest) ||
    /^[0-9]+/.exec(rest) ||
    /^"[^"]*"?/.exec(rest) ||
    /^(>>|<<|==|!=|<=|>=|&&|\|\|)/.exec(rest);
  return from + (match ? match[0].length : 1);
}

export class Compiler {
  constructor(module) {
    this.module = module;
  }

  // Compiles `source`; `listing` asks for lumolist's listing instead of the assembly.
  compile(source, { listing = false } = {}) {
    const started = performance.now();
    const summary = this.module.compile(source, listing, !listing);
    const bytes = this.module.outputBytes();
    const output = decoder.decode(bytes);
    const words = this.module.statementWords().slice();
    const ranges = this.module.rangeWords().slice();
    const compileMs = performance.now() - started;
    const index = byteIndex(source);
    const at = (offset) => (index ? index[Math.min(offset, index.length - 1)] : offset);

    const result = { status: summary.status, output, compileMs, listing };
    if (summary.diagnosed) {
      const from = Math.min(at(summary.errorOffset), source.length);
      const lineStart = source.lastIndexOf('\n', from - 1) + 1;
      result.error = {
        from,
        to: from < source.length ? tokenEnd(source, from) : from,
        line: summary.errorLine,
        column: from - lineStart + 1,
        byteColumn: summary.errorColumn,
        message: output.trimEnd(),
      };
      result.hint = hintOf(this.module, source, summary);
    } else if (summary.status !== 0) {
      result.error = { from: 0, to: 0, line: 0, column: 0, message: output || `status ${summary.status}` };
    }
    result.statements = [];
    for (let s = 0; s < summary.statements; s++) {
      const w = words.subarray(s * 8, s * 8 + 8);
      result.statements.push({
        kind: kinds[w[0]],
        parent: w[1],
        from: at(w[2]),
        line: w[3],
        to: at(w[5]),
        endLine: w[6],
        ranges: [],
      });
    }
    // Assembly lines [first, last], in the order of the assembly, each naming its statement.
    result.ranges = [];
    for (let r = 0; r < ranges.length; r += 3) {
      const range = { statement: ranges[r], first: ranges[r + 1], last: ranges[r + 2] };
      result.ranges.push(range);
      result.statements[range.statement].ranges.push(range);
    }
    return result;
  }
}

// The statement whose own code holds assembly line `line`, or -1.
export function statementAt(ranges, line) {
  let low = 0;
  let high = ranges.length - 1;
  while (low <= high) {
    const mid = (low + high) >> 1;
    if (ranges[mid].last < line) low = mid + 1;
    else if (ranges[mid].first > line) high = mid - 1;
    else return ranges[mid].statement;
  }
  return -1;
}

// The innermost statement whose text holds position `pos`, or -1.
export function statementAtPosition(statements, pos) {
  let found = -1;
  for (let s = 0; s < statements.length; s++) {
    const st = statements[s];
    if (st.from <= pos && pos < st.to && (found < 0 || st.from >= statements[found].from)) found = s;
  }
  return found;
}
