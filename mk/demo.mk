# An import on a fresh copy of the bundled example host, with mbases.dat shown before and
# after; the files in example/ stay as they are.
.PHONY: demo
demo: build
	@sh example/run_demo.sh $(BUILD)
