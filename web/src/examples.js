// The programs shipped in examples/, read into the page when it is built: the working
// examples with the input each reads, and the common mistakes of examples/broken/.
const sources = import.meta.glob('../../examples/*.lumo', { query: '?raw', import: 'default', eager: true });
const inputs = import.meta.glob('../../examples/*.in', { query: '?raw', import: 'default', eager: true });
const broken = import.meta.glob('../../examples/broken/*.lumo', { query: '?raw', import: 'default', eager: true });

const nameOf = (path) => path.replace(/^.*\//, '').replace(/\.[^.]*$/, '');

function list(files, withInput) {
  return Object.keys(files)
    .sort()
    .map((path) => ({
      name: nameOf(path),
      source: files[path],
      input: (withInput && inputs[path.replace(/\.lumo$/, '.in')]) || '',
    }));
}

export const examples = list(sources, true);
export const mistakes = list(broken, false);
