MESH_FILES := data/bot1.bof data/saucer.bof data/building1.bof data/building2.bof
DATA_FILES += $(MESH_FILES)
$(MESH_FILES) &: $(BUILD)/meshgen
	@mkdir -p data && $(BUILD)/meshgen data
