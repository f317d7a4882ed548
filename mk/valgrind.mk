# The end-to-end tests of the normal build once more, with every run of the tool under
# valgrind (tests/harness.cc honours KORVANEX_TEST_WRAPPER): a memory error or a leak of
# any kind makes the tool exit with 99, which no test expects. The tmux test is left out:
# it starts the tool inside tmux, not through the harness, so it would not be wrapped.
VALGRIND ?= valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=all -q
VALGRIND_FILTER ?= -ConfigScreenTmux.*

.PHONY: valgrind-test

valgrind-test: build
	KORVANEX_TEST_WRAPPER="$(VALGRIND)" $(BUILD)/korvanex_e2e_tests --gtest_filter='$(VALGRIND_FILTER)'
