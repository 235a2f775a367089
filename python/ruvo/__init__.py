"""ruvo: linear buckling load factors and natural frequencies of stiffened,
laminated skin panels, on the engine `_ruvo`.

    import ruvo
    skin = ruvo.Laminate.isotropic(E=70000.0, nu=0.3, t=1.0)
    panel = ruvo.Panel(length=300.0, width=100.0, laminate=skin,
                       loads=ruvo.Loads(Nx=1.0), edges="simply supported",
                       mesh=ruvo.Mesh(nx=18, ny=6))
    result = ruvo.buckle(panel, modes=3)
    result.load_factors          # numpy array, smallest first
"""
from .version import __version__

from .engine import AnalysisError, release_memory
from .validation import UnitWarning
from .laminates import Laminate, Material, Ply
from .stiffeners import Region, Stiffener, StringerShape
from .edges import Edge, Edges
from .loads import Loads, RunningLoads
from .mesh import Grid, Mesh
from .panel import Panel, PrecisionWarning
from .analysis import buckle, vibrate
from .results import BucklingResult, LoadCaseResults, StringerStrength, VibrationResult
from .gradient import GradientLoadCases, GradientResult, gradient
from .sweep import SweepResult, WorkerDied, sweep
from .archive import load
from . import sections

__all__ = ["AnalysisError", "BucklingResult", "Edge", "Edges", "GradientLoadCases", "GradientResult", "Grid",
           "Laminate", "LoadCaseResults", "Loads", "Material", "Mesh", "Panel", "Ply", "PrecisionWarning", "Region", "RunningLoads",
           "Stiffener", "StringerShape", "StringerStrength", "SweepResult", "UnitWarning", "VibrationResult",
           "WorkerDied", "__version__", "buckle", "gradient", "load", "release_memory", "sections", "sweep", "vibrate"]
