"""The main job: import the engine and show its size variants and model state."""
import _ruvo

NAMES = ["p_rtnds", "p_nodes", "p_elmts", "p_stf", "p_nx", "p_ny", "p_ibdx", "p_ibdy",
         "p_ngit", "p_ngrq", "p_nsup", "p_abdstf"]


def main():
    print("size constants".ljust(10) + "".join(n.rjust(10) for n in NAMES))
    for suffix in ("19", "21", "25", "31"):
        consts = getattr(_ruvo, "ruvo" + suffix)
        print(("ruvo" + suffix).ljust(10) + "".join(str(getattr(consts, n)).rjust(10) for n in NAMES))
    print()
    print("ku     =", _ruvo.f07ina.ku)
    print("rx, ry, rxy =", _ruvo.f07inb.rx, _ruvo.f07inb.ry, _ruvo.f07inb.rxy)
    print("neigit, neigrq, mempri =", _ruvo.man.neigit, _ruvo.man.neigrq, _ruvo.man.mempri)
    print("npx, npy, scal =", _ruvo.plotin.npx, _ruvo.plotin.npy, _ruvo.plotin.scal)
    print("s1(1,1,1,1), s2(1,1,1,1) =", _ruvo.f07in1.a1[0], _ruvo.f07in2.b1[0])


if __name__ == "__main__":
    main()
