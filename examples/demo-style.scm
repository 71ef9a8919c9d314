; Demo: gives a path a style through the suite's procedures, reads it back,
; asks the draw plug-in to draw it, and saves the image as XCF (the style
; travels inside the file). Every step is written to the report file.
;
; (qv-demo-style "out/demo/demo.xcf" "out/demo/report.txt")

(define (qv-demo-style xcf-file report-file)
  (let* ((report (open-output-file report-file))
         (say (lambda parts
                (for-each (lambda (p) (display p report)) parts)
                (newline report)))
         (image (car (gimp-image-new 320 200 RGB)))
         (layer (car (gimp-layer-new image 320 200 RGBA-IMAGE "Background" 100 LAYER-MODE-NORMAL)))
         (path (car (gimp-vectors-new image "Wave"))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-drawable-fill layer FILL-WHITE)
    (gimp-vectors-stroke-new-from-points
     path 0 18 (vector 20 150 20 150 80 40  160 100 240 160 300 50  300 50 300 50 300 50) FALSE)
    (gimp-image-insert-vectors image path 0 -1)
    (say "Created a 320x200 image with the path \"Wave\" (tattoo "
         (car (gimp-item-get-tattoo path)) ").")

    (for-each
     (lambda (attribute)
       (plug-in-qv-path-set-style-attribute image "Wave" (car attribute) (cadr attribute))
       (say "Set " (car attribute) " to \"" (cadr attribute) "\"."))
     '(("stroke" "255 0 0") ("Stroke-Brush" "2. Hardness 100") ("FILL:" "255 220 0") ("opacity" "80")))

    (for-each
     (lambda (attribute)
       (say "Read back " attribute ": \""
            (car (plug-in-qv-path-get-style-attribute image "Wave" attribute)) "\""))
     '("stroke" "stroke-brush" "fill" "opacity"))

    (let* ((tattoo (car (gimp-item-get-tattoo path)))
           (parasite (car (gimp-image-get-parasite
                           image (string-append "qv-style-for-path-" (number->string tattoo))))))
      (say "The style parasite \"" (car parasite) "\" holds: "
           (caddr parasite)))

    (plug-in-qv-path-draw-current 1 image layer 0.5)
    (say "Asked \"4. Draw Path\" to draw \"Wave\" at t = 0.5 (see GIMP's messages for the result).")

    (gimp-xcf-save 0 image layer xcf-file xcf-file)
    (say "Saved the image with its style as " xcf-file ".")

    (let* ((loaded (car (gimp-xcf-load 0 xcf-file xcf-file))))
      (say "Reloaded it: stroke is \""
           (car (plug-in-qv-path-get-style-attribute loaded "Wave" "stroke")) "\".")
      (gimp-image-delete loaded))
    (gimp-image-delete image)
    (close-output-port report)))
