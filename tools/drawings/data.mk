DATA_FILES += data/kolv17.gml
data/kolv17.gml: assets/kolv17.gml
	@mkdir -p data && cp $< $@
