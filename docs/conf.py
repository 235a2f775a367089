"""Sphinx settings of the user guide: ./dev docs builds it into build/docs
(warnings are errors), with the package and the engine from build/python."""
import ruvo

project = "ruvo"
release = version = ruvo.__version__
extensions = ["sphinx.ext.autodoc", "sphinx.ext.napoleon"]
autodoc_member_order = "bysource"
autodoc_typehints = "none"
napoleon_numpy_docstring = True
html_theme = "alabaster"
html_theme_options = {"description": "buckling and vibration of stiffened, laminated skin panels"}
exclude_patterns = ["_build"]
html_show_copyright = False
