// The colours that tie each statement to its assembly, and the highlights of the statement
// under the mouse (or the cursor) and of the statement being stepped, on both sides.
//
// The source side keeps its marks in a state field, mapped through every edit until the
// next compilation replaces them. The assembly side is read-only and can be millions of
// lines long, so it decorates only the lines in view, from the ranges of the last
// compilation.
import { StateEffect, StateField } from '@codemirror/state';
import { Decoration, EditorView, ViewPlugin } from '@codemirror/view';
import { statementAt } from './compiler.js';

export const paletteSize = 8;

// The colour of each statement: the statements that own code take the palette in turn, so
// neighbours (and a statement and the first one in its body) differ; the others get -1.
export function colours(statements) {
  let next = 0;
  return statements.map((s) => (s.ranges.length > 0 ? next++ % paletteSize : -1));
}

// What both sides show: the statements, their colours, the linked and the current one.
export const setMapping = StateEffect.define();
export const setLinked = StateEffect.define();
export const setCurrent = StateEffect.define();

const emptyMapping = { statements: [], ranges: [], colours: [] };

const mappingField = StateField.define({
  create: () => ({ mapping: emptyMapping, linked: -1, current: null }),
  update(value, tr) {
    let next = value;
    for (const e of tr.effects) {
      if (e.is(setMapping)) next = { ...next, mapping: e.value || emptyMapping, linked: -1, current: null };
      else if (e.is(setLinked)) next = { ...next, linked: e.value };
      else if (e.is(setCurrent)) next = { ...next, current: e.value };
    }
    return next;
  },
});

const colourMark = Array.from({ length: paletteSize }, (_, c) => Decoration.mark({ class: `stmt c${c}` }));

function colourMarks(mapping) {
  const marks = [];
  mapping.statements.forEach((s, i) => {
    const colour = mapping.colours[i];
    if (colour >= 0 && s.to > s.from) marks.push(colourMark[colour].range(s.from, s.to));
  });
  return Decoration.set(marks, true);
}

// The statement being stepped is shown by its first line, which for an `if` or a `while`
// is the line of its condition: marking its whole text would mark its body too.
function highlightMarks(state) {
  const { mapping, linked, current } = state.field(mappingField);
  const marks = [];
  const linkedStatement = mapping.statements[linked];
  if (linkedStatement && linkedStatement.to > linkedStatement.from) {
    marks.push(Decoration.mark({ class: 'linked' }).range(linkedStatement.from, linkedStatement.to));
  }
  const currentStatement = current ? mapping.statements[current.statement] : null;
  if (currentStatement && currentStatement.from <= state.doc.length) {
    marks.push(Decoration.line({ class: 'current' }).range(state.doc.lineAt(currentStatement.from).from));
  }
  return Decoration.set(marks, true);
}

const touches = (tr, ...effects) => tr.effects.some((e) => effects.some((kind) => e.is(kind)));

// Both sets of marks follow the text as it is edited, until the next compilation comes in:
// the page sends a mapping in the transaction right after the text it was compiled from.
// The colours are many and change only with a compilation; the highlights are two marks.
const colourDecorations = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    if (touches(tr, setMapping)) return colourMarks(tr.state.field(mappingField).mapping);
    return marks.map(tr.changes);
  },
  provide: (field) => EditorView.decorations.from(field),
});

const highlightDecorations = StateField.define({
  create: () => Decoration.none,
  update(marks, tr) {
    if (touches(tr, setMapping, setLinked, setCurrent)) return highlightMarks(tr.state);
    return marks.map(tr.changes);
  },
  provide: (field) => EditorView.decorations.from(field),
});

export function sourceLinking() {
  return [mappingField, colourDecorations, highlightDecorations];
}

const lineDecorations = new Map();
function lineDecoration(classes) {
  let d = lineDecorations.get(classes);
  if (!d) {
    d = Decoration.line({ class: classes });
    lineDecorations.set(classes, d);
  }
  return d;
}

function assemblyLines(view) {
  const { mapping, linked, current } = view.state.field(mappingField);
  const decorations = [];
  const doc = view.state.doc;
  for (const { from, to } of view.visibleRanges) {
    for (let pos = from; pos <= to; ) {
      const line = doc.lineAt(pos);
      const s = statementAt(mapping.ranges, line.number);
      const classes = [];
      if (s >= 0 && mapping.colours[s] >= 0) classes.push(`stmt c${mapping.colours[s]}`);
      if (s >= 0 && s === linked) classes.push('linked');
      if (current && line.number === current.line) classes.push('current');
      if (classes.length > 0) decorations.push(lineDecoration(classes.join(' ')).range(line.from));
      pos = line.to + 1;
    }
  }
  return Decoration.set(decorations);
}

export function assemblyLinking() {
  return [
    mappingField,
    ViewPlugin.fromClass(
      class {
        constructor(view) {
          this.decorations = assemblyLines(view);
        }
        update(update) {
          const touched = update.transactions.some((tr) =>
            tr.effects.some((e) => e.is(setMapping) || e.is(setLinked) || e.is(setCurrent)),
          );
          if (touched || update.docChanged || update.viewportChanged) this.decorations = assemblyLines(update.view);
        }
      },
      { decorations: (plugin) => plugin.decorations },
    ),
  ];
}

export function linkedStatement(view) {
  return view.state.field(mappingField).linked;
}
