# An import on a fresh copy of the bundled example host, with mbases.dat shown before and
# after; the files in example/ stay as they are. It builds only the tool and the record
# dump the demo runs, so it needs no test framework: a first configure turns the tests on
# only where GoogleTest is found, and a build tree that has them keeps them.
.PHONY: demo
demo:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANEX_WERROR=$(WERROR) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS) --target korvanex mbases_dump
	@sh example/run_demo.sh $(BUILD)
