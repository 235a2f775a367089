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
from .engine import AnalysisError
from .panel import Edge, Edges, Laminate, Loads, Material, Mesh, Panel, Ply, Stiffener, UnitWarning
from .analysis import buckle, vibrate
from .results import BucklingResult, VibrationResult
from .gradient import GradientResult, gradient
from .sweep import SweepResult, sweep
from .toml_panel import load
from . import sections

__all__ = ["AnalysisError", "BucklingResult", "Edge", "Edges", "GradientResult", "Laminate", "Loads", "Material",
           "Mesh", "Panel", "Ply", "Stiffener", "sections", "SweepResult", "UnitWarning", "VibrationResult", "buckle",
           "gradient", "load", "sweep", "vibrate"]
