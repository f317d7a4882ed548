# Debian package of the tool (CPack, configured in cmake/packaging.cmake) and its check,
# which make test runs as well.
PACKAGE_DIR = $(abspath $(BUILD))/package
PACKAGE_FILE = $(PACKAGE_DIR)/korvanex_1.0-1_$(shell dpkg --print-architecture).deb

.PHONY: package package-check

package: build
	rm -f $(PACKAGE_DIR)/*.deb
	cpack --config $(BUILD)/CPackConfig.cmake -B $(PACKAGE_DIR)
	@echo "Package: $(PACKAGE_FILE)"

package-check: package
	bash mk/package-check.sh $(PACKAGE_FILE)
