"""The main job: buckling of a stiffened skin panel through callruvo.

A carbon-fibre skin field between two frames, with a T-stringer in the middle
of the bay (one stringer pitch wide, the neighbouring stringers as supports),
under axial compression and shear. Prints the first load factors with the
critical membrane forces and names the listing the analysis wrote.
"""
import numpy as np
import _ruvo

PLY = np.array([135000.0, 9000.0, 0.3, 5000.0], np.float32)  # E1, E2, nu12, G12 in N/mm²


def laminate(angles, ply_thickness=0.125):
    """Rows 1-6 A, 7-12 coupling, 13-18 D of a ply stack, packed (11, 12, 22, 16, 26, 66)."""
    n = len(angles)
    aal, ddl, adl = (np.zeros((3, 3), np.float32, order="F") for _ in range(3))
    _ruvo.ruvoutils.abdetc(n, np.full(n, ply_thickness, np.float32), np.array(angles, np.float32), PLY, 0.0,
                           aal, ddl, adl, 0)
    pack = lambda m: [m[0, 0], m[0, 1], m[1, 1], m[0, 2], m[1, 2], m[2, 2]]
    return np.array(pack(aal) + pack(adl) + pack(ddl), np.float32)


def main():
    skin = [45, -45, 0, 90, 90, 0, -45, 45]
    matabd = np.asfortranarray(np.stack([laminate(skin), laminate(skin + [0, 0, 0, 0])], axis=1))
    consts, p = _ruvo.ruvo31, _ruvo.prtnds31
    neigrq = 3
    elam, forces = np.zeros(55), np.zeros(275)
    displ = np.zeros(consts.p_nx * neigrq)
    lines = consts.p_rtnds - 1
    rows = [1] * 8 + [2] * 2 + [2] * 2 + [1] * 8          # bay, foot (2 x 2 elements), bay
    simply_supported = [0, 1, 2, 3, 0, 0, 0]
    stringer = np.array([2.1e7, 0.0, 8.0e9, 2.0e6], np.float32)   # EA, coupling, EI, GJ (N, N·mm²)
    frame = np.array([1.0e8, 0.0, 1.0e11, 1.0e8], np.float32)
    p.callruvo(filenamep="panel", titp="STIFFENED SKIN PANEL", rxp=1.0e29, ryp=1.0e29, rxyp=1.0e29,
               matabdf=matabd, steifxf=stringer, steifyf=frame, framepitch=500.0, stringerpitch=160.0,
               stypep=1, chordwdth=0.0, sfootwdth=30.0, alpha=0.0, height=0.0,
               loadvxp=100.0, loadvyp=0.0, loadvxyp=30.0, fnxp=0.0, fnxyp=0.0, fnyp=0.0,
               alfaxp=0.0, alfayp=0.0, elamp=elam, membraneforcesp=forces, itab=0, neigit=8,
               neigrq=neigrq, mempri=1, indplt=0, ku=[1, 2, 3, 0, 0],
               istx=[11] + [0] * (consts.p_stf - 1), isty=[1, 11] + [0] * (consts.p_stf - 2),
               elmstf=rows + [0] * (lines - len(rows)), bndy0=simply_supported, bndyl=simply_supported,
               bndx0=simply_supported, bndxl=simply_supported, anzelzwframes=10, anzelprohalbfoot=2,
               anzelzwstr=16, anzelbelowstr=1, displ=displ)
    print("stiffened panel 500 x 160 mm, stringer on y-line 11, frames on x-lines 1 and 11")
    print("load: Nx = 100 N/mm compression with Nxy = 30 N/mm shear, times the load factor")
    for i in range(neigrq):
        nx, nxy, ny, stringer_force = forces[5 * i:5 * i + 4]
        print(f"  mode {i + 1}: load factor {elam[i]:9.4f}   Nx {nx:9.2f}  Nxy {nxy:9.2f}  Ny {ny:7.2f} N/mm"
              f"   stringer force {stringer_force:11.1f} N")
    print("listing written to 'panel   .out'")


if __name__ == "__main__":
    main()
