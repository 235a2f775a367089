"""The main job: buckling of a stiffened skin panel through the package `ruvo`.

A carbon-fibre skin field between two frames, with a T-stringer in the middle
of the bay (one stringer pitch wide, the neighbouring stringers as supports)
on a pad-up of four more 0° plies under its foot, under axial compression and
shear. Prints the first load factors with the critical membrane forces and
the stringer force, the local buckling load of the stringer's web and the
column load of stringer and skin.
"""
import ruvo
from ruvo import sections

PLY = ruvo.Material(E1=135000.0, E2=9000.0, nu12=0.3, G12=5000.0)   # N/mm²
T_PLY = 0.125                                                        # mm


def laminate(angles):
    return ruvo.Laminate.from_plies([ruvo.Ply(T_PLY, a) for a in angles], PLY)


def panel():
    skin_plies = [45, -45, 0, 90, 90, 0, -45, 45]
    skin, pad_up = laminate(skin_plies), laminate(skin_plies + [0, 0, 0, 0])
    wall = laminate([45, -45, 0, 0, 0, 0, -45, 45])
    stringer = sections.T(skin=skin, height=30.0, web=wall, foot_width=30.0, foot=wall)
    frame = ruvo.Stiffener(line=1, EA=1.0e8, EI=1.0e11, GJ=1.0e8)
    return ruvo.Panel(
        length=500.0, width=160.0, laminate=skin, title="STIFFENED SKIN PANEL",
        loads=ruvo.Loads(Nx=100.0, Nxy=30.0), edges="simply supported",
        stringers=[stringer.stiffener(80.0, pad_up=pad_up, pad_width=30.0)],
        frames=[frame, ruvo.Stiffener(500.0, EA=1.0e8, EI=1.0e11, GJ=1.0e8)],
        mesh=ruvo.Mesh(x=[50.0] * 10, y=[8.125] * 8 + [7.5] * 4 + [8.125] * 8))


def main():
    result = ruvo.buckle(panel(), modes=3)
    print("stiffened panel 500 x 160 mm, T-stringer on a pad-up at y = 80 mm, frames at x = 0 and 500 mm")
    print("load: Nx = 100 N/mm compression with Nxy = 30 N/mm shear, times the load factor")
    for k, (factor, (nx, nxy, ny), (stringer_force, _)) in enumerate(
            zip(result.load_factors, result.membrane_forces, result.stiffener_forces)):
        print(f"  mode {k + 1}: load factor {factor:9.4f}   Nx {nx:9.2f}  Nxy {nxy:9.2f}  Ny {ny:7.2f} N/mm"
              f"   stringer force {stringer_force:11.1f} N")
    strength = result.stringer_strength
    print(f"stringer web local buckling: force {strength.web_local_buckling_force:11.1f} N, "
          f"stress {strength.web_local_buckling_stress:9.2f} N/mm²")
    print(f"column load of stringer and skin: {strength.column_load:11.1f} N")


if __name__ == "__main__":
    main()
