DATA_FILES += data/charmap.lut data/colmap.lut
data/charmap.lut data/colmap.lut &: $(BUILD)/lutgen
	@mkdir -p data && $(BUILD)/lutgen data
