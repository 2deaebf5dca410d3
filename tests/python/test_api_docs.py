# What editors and help(citra) show: every public function documented, and
# the type stubs naming the same functions with the same parameters.
import ast
import inspect
import os
import pydoc

import citra
import citra.dask


def stub_signatures(module):
    path = os.path.splitext(module.__file__)[0] + ".pyi"
    tree = ast.parse(open(path).read())
    found = {}
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            a = node.args
            found[node.name] = [p.arg for p in a.args] + [p.arg for p in a.kwonlyargs]
    return found


def test_stubs_match_the_functions():
    for module in (citra, citra.dask):
        stubs = stub_signatures(module)
        public = [name for name in module.__all__ if inspect.isfunction(getattr(module, name))]
        assert sorted(stubs) == sorted(public), module.__name__
        for name in public:
            assert stubs[name] == list(inspect.signature(getattr(module, name)).parameters), name


def test_help_shows_every_function_and_error():
    text = pydoc.render_doc(citra, renderer=pydoc.plaintext)
    for name in citra.__all__:
        assert name in text
        assert getattr(citra, name).__doc__, name
    assert "PairError" in text and "ReadError" in text
    assert citra.dask.compare.__doc__ and "scheduler" in citra.dask.compare.__doc__
