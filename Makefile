# Two entry points; both install what they need first (scripts/bootstrap, idempotent).
#   make test   every test: native (unit, sanitizers, fuzz seeds), Win32 under Wine, the i686 import audit
#   make demo   the network lab: the service under Wine serving a real DHCP client
.PHONY: test demo demo-service bootstrap build clean lab-up lab-down bench soak screenshots

test: bootstrap
	scripts/run-tests

demo: bootstrap
	scripts/demo-lab

# The service alone under Wine's service control manager with the stand-in driver.
demo-service: bootstrap
	scripts/demo

# Every benchmark beside its peer, in one run; writes docs/benchmarks.md (about 15 minutes).
# The console's windows photographed under Xvfb into docs/screenshots/ (scripts/console-screenshots).
screenshots: bootstrap
	cmake --preset win64 -B build/console-win64 >/dev/null
	scripts/console-screenshots build/console-win64

bench: bootstrap
	scripts/bench-all

# An hour of DHCP clients coming and going, a 60 s flood every ten minutes (tests/dhcp_soak.sh).
soak: build
	bash tests/dhcp_soak.sh --minutes 60

bootstrap:
	scripts/bootstrap

build: bootstrap
	scripts/run-tests --build-only

clean:
	rm -rf build

# The network lab on its own (see docs/lab.md).
lab-up: build
	scripts/lab up

lab-down:
	scripts/lab down
