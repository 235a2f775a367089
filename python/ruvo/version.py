"""The package's version, in a module of its own so that every module can name it."""
__version__ = "1.1.0"
