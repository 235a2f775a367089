"""The membrane forces of a panel whose skin changes its membrane stiffness
from element to element: regions and pad-ups of another laminate.

The loads given are the skin's. The membrane state is the sum of three
states of the flat panel in plane stress, each with the membrane stiffness
A of every element:

* the panel stretched along x, and stretched along y, between its four
  edges held straight and parallel (each moves as a whole along its
  normal, free along itself);
* a uniform shear flow on all four edges, otherwise free.

Their multiples make the mean forces of the skin's cells along the loaded
edges the given ones: Nx along the edges x = const, Ny along the edges
y = const, Nxy along all four. A band along x (over the whole length) then
shares the skin's strain along x and carries the skin's Nxy and Ny (the
strip state, which under Nx and Nxy is the bands' rule of the analysis), a
band along y likewise; a rectangle of cells draws or sheds load as its
stiffness, equilibrium and compatibility ask. The analysis takes from here
what the rectangles add (`engine.rectangle_fields`). Each state is solved
by bilinear four-node plane-stress elements on the analysis' own grid
(Zienkiewicz & Taylor, The Finite Element Method, vol. 1: plane stress,
the bilinear element with 2 x 2 Gauss points),
its forces taken at the element centres, where they are the element means.
"""
from __future__ import annotations

from typing import TYPE_CHECKING

import numpy as np
from numpy.typing import ArrayLike
import scipy.sparse
import scipy.sparse.linalg

if TYPE_CHECKING:
    from .panel import Panel

# Relative difference of a laminate's A from the skin's (against the largest
# term of the skin's) below which its cells are the skin's for the membrane state.
SAME_STIFFNESS = 1e-9

_CORNERS = np.array([[-1.0, -1.0], [1.0, -1.0], [1.0, 1.0], [-1.0, 1.0]])   # ξ, η of the element's nodes
_GAUSS = 1.0 / np.sqrt(3.0)


def same_stiffness(A: np.ndarray, skin: np.ndarray) -> bool:
    """Whether the membrane stiffness `A` is the skin's `skin` to rounding."""
    return bool(np.abs(A - skin).max() <= SAME_STIFFNESS * np.abs(skin).max())


def element_stiffnesses(panel: Panel) -> np.ndarray:
    """The membrane stiffness A (over x, y, xy) of every element, nx by ny by 3 by 3."""
    patches = [np.array(panel.laminate.A, float)] + [np.array(p[4].A, float) for p in panel.patches]
    return np.array(patches)[panel.grid.element_patches]


def _strain_matrices(a: np.ndarray, b: np.ndarray, xi: float, eta: float) -> np.ndarray:
    """B (εx, εy, γxy over the element's u1, v1, ..., u4, v4) at (ξ, η) of
    elements a by b long: one per element (a, b of the same shape)."""
    dx = _CORNERS[:, 0] * (1 + _CORNERS[:, 1] * eta) / 4      # ∂N/∂ξ
    dy = _CORNERS[:, 1] * (1 + _CORNERS[:, 0] * xi) / 4       # ∂N/∂η
    nx, ny = np.multiply.outer(2 / a, dx), np.multiply.outer(2 / b, dy)
    B = np.zeros(a.shape + (3, 8))
    B[..., 0, 0::2], B[..., 1, 1::2] = nx, ny
    B[..., 2, 0::2], B[..., 2, 1::2] = ny, nx
    return B


def _element_dofs(nx: int, ny: int) -> np.ndarray:
    """The dofs (u, v of each node, nodes x-lines outer) of every element, nx by ny by 8."""
    ix, iy = np.meshgrid(np.arange(nx), np.arange(ny), indexing="ij")
    nodes = np.stack([ix * (ny + 1) + iy, (ix + 1) * (ny + 1) + iy, (ix + 1) * (ny + 1) + iy + 1,
                      ix * (ny + 1) + iy + 1], axis=-1)
    return np.stack([2 * nodes, 2 * nodes + 1], axis=-1).reshape(nx, ny, 8)


def _stiffness(a: np.ndarray, b: np.ndarray, A: np.ndarray, dofs: np.ndarray, size: int) -> scipy.sparse.csr_matrix:
    """The assembled plane-stress stiffness, 2 by 2 Gauss points per element."""
    k = np.zeros(a.shape + (8, 8))
    for xi in (-_GAUSS, _GAUSS):
        for eta in (-_GAUSS, _GAUSS):
            B = _strain_matrices(a, b, xi, eta)
            k += np.swapaxes(B, -1, -2) @ (A @ B) * (a * b / 4)[..., None, None]
    rows = np.broadcast_to(dofs[..., :, None], k.shape)
    cols = np.broadcast_to(dofs[..., None, :], k.shape)
    return scipy.sparse.csr_matrix((k.ravel(), (rows.ravel(), cols.ravel())), shape=(size, size))


def _solve(K: scipy.sparse.csr_matrix, held: np.ndarray, values: np.ndarray, loads: np.ndarray) -> np.ndarray:
    """The displacements (one row per case) under the nodal `loads` (a row
    per case) with the dofs `held` at `values` (a row per case)."""
    free = np.setdiff1d(np.arange(K.shape[0]), held)
    d = np.zeros(loads.shape)
    d[:, held] = values
    rhs = loads[:, free] - (K[free][:, held] @ values.T).T
    d[:, free] = scipy.sparse.linalg.splu(K[free][:, free].tocsc()).solve(np.ascontiguousarray(rhs.T)).T
    return d


def _unit_states(x: np.ndarray, y: np.ndarray, A: np.ndarray) -> np.ndarray:
    """The element forces (Nx, Nxy, Ny; nx by ny by 3) of the three states,
    stretched along x, sheared, stretched along y: 3 by nx by ny by 3."""
    nx, ny = len(x), len(y)
    a, b = np.meshgrid(x, y, indexing="ij")
    dofs = _element_dofs(nx, ny)
    size = 2 * (nx + 1) * (ny + 1)
    K = _stiffness(a, b, A, dofs, size)
    node = np.arange((nx + 1) * (ny + 1)).reshape(nx + 1, ny + 1)
    # Stretched along x, and along y, between the four edges held straight and parallel: u on x = 0 and
    # x = a, v on y = 0 and y = b held, the far edge moved by the side's length.
    edges = np.concatenate([2 * node[0], 2 * node[-1], 2 * node[:, 0] + 1, 2 * node[:, -1] + 1])
    moved = np.zeros((2, edges.size))
    moved[0, ny + 1:2 * (ny + 1)] = x.sum()
    moved[1, 2 * (ny + 1) + nx + 1:] = y.sum()
    stretched = _solve(K, edges, moved, np.zeros((2, size)))
    # The shear flow 1 as consistent nodal forces: +y on x = a, -y on x = 0, +x on y = b, -x on y = 0.
    shear = np.zeros((1, size))
    tributary_y = np.concatenate([[0.0], y]) / 2 + np.concatenate([y, [0.0]]) / 2
    tributary_x = np.concatenate([[0.0], x]) / 2 + np.concatenate([x, [0.0]]) / 2
    shear[0, 2 * node[-1] + 1] += tributary_y
    shear[0, 2 * node[0] + 1] -= tributary_y
    shear[0, 2 * node[:, -1]] += tributary_x
    shear[0, 2 * node[:, 0]] -= tributary_x
    pinned = np.array([0, 1, 2 * node[-1, 0] + 1])   # (0, 0) and v at (a, 0): no rigid motion
    sheared = _solve(K, pinned, np.zeros((1, 3)), shear)
    centre = _strain_matrices(a, b, 0.0, 0.0)
    d = np.stack([stretched[0], sheared[0], stretched[1]])[:, dofs]          # state, nx, ny, 8
    forces = (A @ (centre @ d[..., None]))[..., 0]                           # Nx, Ny, Nxy
    return forces[..., [0, 2, 1]]


def unit_fields(x_lengths: ArrayLike, y_lengths: ArrayLike, A: np.ndarray, skin_cells: np.ndarray) -> np.ndarray:
    """The membrane forces (Nx, Nxy, Ny) of every element of the grid of
    subdivision lengths `x_lengths`, `y_lengths` with the membrane
    stiffnesses `A` (nx by ny by 3 by 3, over x, y, xy) for the skin's
    Nx = 1, Nxy = 1 and Ny = 1 in turn: 3 by nx by ny by 3, the sum of the
    three states whose skin cells along the loaded edges carry that force
    on the mean. `skin_cells`: which elements are the skin's (nx by ny),
    some along each edge.

    Returns
    -------
    numpy.ndarray

    Examples
    --------
    >>> A = np.broadcast_to(ruvo.Laminate.isotropic(70000.0, 0.3, 2.0).A, (3, 2, 3, 3))
    >>> fields = unit_fields([100.0] * 3, [50.0] * 2, A, np.ones((3, 2), bool))
    >>> bool(np.allclose(fields[0], [1.0, 0.0, 0.0], atol=1e-12))   # the skin's Nx = 1 everywhere
    True
    """
    x, y = np.asarray(x_lengths, float), np.asarray(y_lengths, float)
    states = _unit_states(x, y, np.asarray(A, float))
    along_x_edges = np.zeros(skin_cells.shape)
    along_x_edges[[0, -1], :] = y
    along_y_edges = np.zeros(skin_cells.shape)
    along_y_edges[:, [0, -1]] = x[:, None]
    means = np.empty((3, 3))
    for component, weight in enumerate([along_x_edges, along_x_edges + along_y_edges, along_y_edges]):
        w = weight * skin_cells
        means[component] = (states[..., component] * w).sum(axis=(1, 2)) / w.sum()
    return np.einsum("kj,k...->j...", np.linalg.inv(means), states)
