PICTURE_FILES := $(addprefix data/,$(addsuffix .tga, \
  sky01 env paper plite2 robot_tex robot_tex1 robot_tex2 robot_tex3 robot_tex4 robot_tex5 \
  robot_tex6 robot_tex7 ttl00 ttl01 ttl02 ttl03 ttl04 ttl05 ttl06 ttl07 ttl08 ttl09 logoEnd \
  weback00 weback01 weback02 weback03 vox1 vox2 vox3 vox4 info0 info1 info2 greets font))
DATA_FILES += $(PICTURE_FILES)
$(PICTURE_FILES) &: $(BUILD)/picgen assets/pictures.txt
	@mkdir -p data && $(BUILD)/picgen data assets/pictures.txt
