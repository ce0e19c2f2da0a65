"""``python3 -m uzyv demo``: the scope demo against the simulated runtime."""
import sys

from .demo import main

sys.exit(main(sys.argv[1:]))
